#ifndef TABLESTYLE_H
#define TABLESTYLE_H

// The style sheet every value table of the tool carries: grey hover and
// selection, sky-blue header sections with dark grey text, white background
// without a frame.
namespace hub8style {

inline constexpr char tableStyleSheet[] =
    "QTableWidget::item:hover{\n    background-color:rgb(196,196,196,200)\n}\n                    \n"
    "QTableWidget::item:selected{\n    background-color:#C4C4C4\n}\n\t\n"
    "QHeaderView::section,QTableCornerButton:section{ \n    \n    padding:3px; \n    margin:0px; \n"
    "    color:#333333;  \n    border:1px solid #fff; \n    \n    border-left-width:0px; \n"
    "    border-right-width:1px; \n    border-top-width:0px; \n    border-bottom-width:1px;\n"
    "    background:qlineargradient(spread:pad,x1:0,y1:0,x2:0,y2:1,stop:0 #C4ECF6,stop:1 #6CD0E8); \n"
    "\tbackground:skyblue\n}\n"
    "QTableWidget{\n    background-color:white;\n    border:none;\n}";

} // namespace hub8style

#endif // TABLESTYLE_H
