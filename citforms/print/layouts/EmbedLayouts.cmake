# Embeds the layout documents (*.layout) and page drawings (pages/*.drawing) into the module
# as byte arrays, so libcitforms.so carries its forms with it. Included from
# citforms/CMakeLists.txt after citforms_core is defined; also run as a script (-P) by the
# build step that writes the generated source.
if(CMAKE_SCRIPT_MODE_FILE)
  set(body "// Generated from citforms/print/layouts at build time; do not edit.\n")
  string(APPEND body "#include <cstddef>\n\nnamespace citforms::print::detail {\n\n")
  set(table "")
  set(index 0)
  string(REPLACE "|" ";" FILES "${FILES}")
  foreach(path ${FILES})
    get_filename_component(name ${path} NAME)
    file(READ ${path} hex HEX)
    string(LENGTH "${hex}" hexlen)
    math(EXPR size "${hexlen} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)"
           "\\1\n" bytes "${bytes}")
    string(APPEND body "static const unsigned char kFile${index}[] = {\n${bytes}0x00};\n")
    string(APPEND table "    {\"${name}\", kFile${index}, ${size}},\n")
    math(EXPR index "${index} + 1")
  endforeach()
  string(APPEND body "\nstruct EmbeddedEntry {\n    const char* name;\n")
  string(APPEND body "    const unsigned char* data;\n    std::size_t size;\n};\n\n")
  string(APPEND body "extern const EmbeddedEntry kEmbeddedEntries[];\n")
  string(APPEND body "extern const std::size_t kEmbeddedEntryCount;\n")
  string(APPEND body "const EmbeddedEntry kEmbeddedEntries[] = {\n${table}};\n")
  string(APPEND body "const std::size_t kEmbeddedEntryCount = ${index};\n\n}\n")
  file(WRITE ${OUT}.tmp "${body}")
  file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
  return()
endif()

file(GLOB CITFORMS_FORM_FILES CONFIGURE_DEPENDS
     ${CMAKE_CURRENT_LIST_DIR}/*.layout ${CMAKE_CURRENT_LIST_DIR}/pages/*.drawing
     ${CMAKE_CURRENT_LIST_DIR}/../../forms/*.form)
list(SORT CITFORMS_FORM_FILES)
set(CITFORMS_FORMS_SOURCE ${CMAKE_CURRENT_BINARY_DIR}/embedded_forms.cpp)
string(REPLACE ";" "|" form_files_arg "${CITFORMS_FORM_FILES}")
add_custom_command(
  OUTPUT ${CITFORMS_FORMS_SOURCE}
  COMMAND ${CMAKE_COMMAND} "-DFILES=${form_files_arg}" -DOUT=${CITFORMS_FORMS_SOURCE}
          -P ${CMAKE_CURRENT_LIST_FILE}
  DEPENDS ${CITFORMS_FORM_FILES} ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Embedding form layouts and page drawings"
  VERBATIM)
target_sources(citforms_core PRIVATE ${CITFORMS_FORMS_SOURCE})
