# hub8_layer(NAME FOLDERS folder... [DEPENDS target...])
#
# One static library per layer of the tool. Its headers are reachable only
# through an include root of its own (build/include/NAME/<folder> -> src/<folder>),
# which a target gets only by linking NAME. An include that runs up to a layer
# the library does not link therefore fails to compile. DEPENDS are linked
# PUBLIC, since public headers of one layer name the records of the layers below.
function(hub8_layer name)
    cmake_parse_arguments(L "" "" "FOLDERS;DEPENDS" ${ARGN})
    add_library(${name} STATIC)
    set(root ${CMAKE_BINARY_DIR}/include/${name})
    file(MAKE_DIRECTORY ${root})
    foreach(folder ${L_FOLDERS})
        file(REMOVE ${root}/${folder})
        file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
    endforeach()
    target_include_directories(${name} PUBLIC ${root})
    target_link_libraries(${name} PUBLIC ${L_DEPENDS})
    set_target_properties(${name} PROPERTIES AUTOMOC ON AUTOUIC ON AUTORCC ON)
endfunction()
