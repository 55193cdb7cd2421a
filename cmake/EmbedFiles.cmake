# citforms_embed_files(TARGET NAMESPACE FILES...): compiles the files into the target as byte
# arrays, listed in a table `const EmbeddedFile kEmbeddedFiles[]` (name without the folder,
# data, size; in the order given) of the namespace, so that the binary carries them from any
# build or install folder. Run as a script (-P) by the build step that writes the source.
if(CMAKE_SCRIPT_MODE_FILE)
  set(body "// Generated at build time; do not edit.\n#include <cstddef>\n\n")
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
  string(APPEND body "\nstruct EmbeddedFile {\n    const char* name;\n")
  string(APPEND body "    const unsigned char* data;\n    std::size_t size;\n};\n\n")
  string(APPEND body "extern const EmbeddedFile kEmbeddedFiles[];\n")
  string(APPEND body "extern const std::size_t kEmbeddedFileCount;\n")
  string(APPEND body "const EmbeddedFile kEmbeddedFiles[] = {\n${table}};\n")
  string(APPEND body "const std::size_t kEmbeddedFileCount = ${index};\n\n}\n")
  file(WRITE ${OUT}.tmp "${body}")
  file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
  return()
endif()

set(CITFORMS_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

function(citforms_embed_files target namespace)
  set(files ${ARGN})
  string(MAKE_C_IDENTIFIER "${namespace}" stem)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/embedded_${stem}.cpp)
  string(REPLACE ";" "|" files_arg "${files}")
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} "-DFILES=${files_arg}" -DNAMESPACE=${namespace} -DOUT=${out}
            -P ${CITFORMS_EMBED_SCRIPT}
    DEPENDS ${files} ${CITFORMS_EMBED_SCRIPT}
    COMMENT "Embedding files into ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()
