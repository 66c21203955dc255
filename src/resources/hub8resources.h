#ifndef HUB8RESOURCES_H
#define HUB8RESOURCES_H

// Registers the compiled-in images and style sheets. They live in a static
// library, so the linker would drop them unless something asks for them.
void initHub8Resources();

#endif // HUB8RESOURCES_H
