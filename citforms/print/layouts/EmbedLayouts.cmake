# Embeds the layout documents (*.layout), page drawings (pages/*.drawing), form files
# (citforms/forms/*.form), declaration kinds (citforms/forms/*.kind), form-window
# declarations (citforms/windows/*.window) and the pages of a window that has its own
# (citforms/windows/*.pages) into the module, so libcitforms.so carries its forms with it.
# Included from citforms/CMakeLists.txt after citforms_core is defined.
include(${PROJECT_SOURCE_DIR}/cmake/EmbedFiles.cmake)
file(GLOB CITFORMS_FORM_FILES CONFIGURE_DEPENDS
     ${CMAKE_CURRENT_LIST_DIR}/*.layout ${CMAKE_CURRENT_LIST_DIR}/pages/*.drawing
     ${CMAKE_CURRENT_LIST_DIR}/../../forms/*.form
     ${CMAKE_CURRENT_LIST_DIR}/../../forms/*.kind ${CMAKE_CURRENT_LIST_DIR}/../../windows/*.window
     ${CMAKE_CURRENT_LIST_DIR}/../../windows/*.pages
     ${CMAKE_CURRENT_LIST_DIR}/../../header/*.dialog)
list(SORT CITFORMS_FORM_FILES)
citforms_embed_files(citforms_core citforms::print::detail ${CITFORMS_FORM_FILES})
