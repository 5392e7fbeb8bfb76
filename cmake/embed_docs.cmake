# Writes the header OUT with each documentation text of the folder DIR
# (NAME.txt) as the string constant docs::NAME, for the Python module's
# docstrings: run by the build, which runs it again when a text changes.
file(GLOB texts ${DIR}/*.txt)
list(SORT texts)
set(header "// Made by cmake/embed_docs.cmake from ${DIR}: edit the texts there.\n#pragma once\n\nnamespace docs {\n")
foreach(text IN LISTS texts)
  get_filename_component(name ${text} NAME_WE)
  file(READ ${text} content)
  string(APPEND header "inline constexpr const char* ${name} = R\"doc(${content})doc\";\n")
endforeach()
string(APPEND header "}  // namespace docs\n")
file(WRITE ${OUT} "${header}")
