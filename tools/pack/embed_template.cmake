# Writes OUT, a C++ file holding the starter game's files (SCRIPT, SOUND) as byte arrays, so
# that `utsushi-pack new` needs nothing beside the program.
function(embed var path out)
  file(READ ${path} hex HEX)
  string(LENGTH "${hex}" length)
  math(EXPR size "${length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND ${out} "extern const unsigned char ${var}[] = {${bytes}};\n")
  string(APPEND ${out} "extern const std::size_t ${var}Size = ${size};\n")
  set(${out} "${${out}}" PARENT_SCOPE)
endfunction()

set(text "// Made by tools/pack/embed_template.cmake from tools/pack/template/.\n#include <cstddef>\nnamespace pack {\n")
embed(kTemplateScript ${SCRIPT} text)
embed(kTemplateSound ${SOUND} text)
string(APPEND text "}  // namespace pack\n")
file(WRITE ${OUT}.tmp "${text}")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
