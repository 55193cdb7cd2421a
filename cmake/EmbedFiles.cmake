# citforms_embed_files(TARGET NAMESPACE FILES...): compiles the files into the target as byte
# arrays, listed in a table `const EmbeddedFile kEmbeddedFiles[]` (name without the folder,
# data, size; in the order given) of the namespace, so that the binary carries them from any
# build or install folder. The table's declaration is generated beside it, in the header
# "embedded_<namespace as an identifier>.h" ("embedded_refhost__db__demo_files.h") that the
# target's sources include. Run as a script (-P) by the build step that writes both.
if(CMAKE_SCRIPT_MODE_FILE)
  set(header "// Generated at build time; do not edit.\n#pragma once\n#include <cstddef>\n\n")
  string(APPEND header "namespace ${NAMESPACE} {\n\n")
  string(APPEND header "struct EmbeddedFile {\n    const char* name;\n")
  string(APPEND header "    const unsigned char* data;\n    std::size_t size;\n};\n\n")
  string(APPEND header "extern const EmbeddedFile kEmbeddedFiles[];\n")
  string(APPEND header "extern const std::size_t kEmbeddedFileCount;\n\n}\n")
  set(body "// Generated at build time; do not edit.\n#include \"${HEADER_NAME}\"\n\n")
  string(APPEND body "namespace ${NAMESPACE} {\n\n")
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
  string(APPEND body "\nconst EmbeddedFile kEmbeddedFiles[] = {\n${table}};\n")
  string(APPEND body "const std::size_t kEmbeddedFileCount = ${index};\n\n}\n")
  file(WRITE ${HEADER}.tmp "${header}")
  file(COPY_FILE ${HEADER}.tmp ${HEADER} ONLY_IF_DIFFERENT)
  file(WRITE ${OUT}.tmp "${body}")
  file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
  return()
endif()

set(CITFORMS_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

function(citforms_embed_files target namespace)
  set(files ${ARGN})
  string(MAKE_C_IDENTIFIER "${namespace}" stem)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/embedded_${stem}.cpp)
  set(header ${CMAKE_CURRENT_BINARY_DIR}/embedded_${stem}.h)
  string(REPLACE ";" "|" files_arg "${files}")
  add_custom_command(
    OUTPUT ${out} ${header}
    COMMAND ${CMAKE_COMMAND} "-DFILES=${files_arg}" -DNAMESPACE=${namespace} -DOUT=${out}
            -DHEADER=${header} -DHEADER_NAME=embedded_${stem}.h
            -P ${CITFORMS_EMBED_SCRIPT}
    DEPENDS ${files} ${CITFORMS_EMBED_SCRIPT}
    COMMENT "Embedding files into ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${out} ${header})
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
