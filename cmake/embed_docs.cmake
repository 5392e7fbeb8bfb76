# Writes the header OUT with each documentation text of the folder DIR
# (NAME.txt) as the string constant docs::NAME, for the Python module's
# docstrings: run by the build, which runs it again when a text changes.
file(GLOB texts ${DIR}/*.txt)
list(SORT texts)
set(header "// Made by cmake/embed_docs.cmake from ${DIR}: edit the texts there.\n#pragma once\n\nnamespace docs {\n")
foreach(text IN LISTS texts)
  get_filename_component(name ${text} NAME_WE)
  file(READ ${text} content)
  # Said here, naming the text: in the header either would break the
  # module's build with a compiler error in a file nobody edits.
  if(NOT name MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
    message(FATAL_ERROR "${text}: the name ${name} is no C++ name, as docs::${name} must be")
  endif()
  string(FIND "${content}" ")doc\"" early)
  if(NOT early EQUAL -1)
    message(FATAL_ERROR "${text} holds )doc\", which would end its raw string R\"doc(...)doc\" early")
  endif()
  string(APPEND header "inline constexpr const char* ${name} = R\"doc(${content})doc\";\n")
endforeach()
string(APPEND header "}  // namespace docs\n")
file(WRITE ${OUT} "${header}")
