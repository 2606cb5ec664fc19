# desktop_exec_program(<variable> <path>): the program word of a desktop entry's Exec= value.
# Quoted only when the path holds a reserved character, which tools that read no quoting
# (xdg-open without a desktop environment) then cannot start anyway; inside the quotes
# '"', '`', '$' and '\' take a backslash. Then the string escapes of a value (the backslash
# again, line breaks), and '%' doubled so that no field code is read.
function(desktop_exec_program variable path)
  set(word "${path}")
  if(word MATCHES "[ \t\n\"'\\\\><~|&;$*?#()`]")
    string(REPLACE "\\" "\\\\" word "${word}")
    string(REPLACE "\"" "\\\"" word "${word}")
    string(REPLACE "`" "\\`" word "${word}")
    string(REPLACE "$" "\\$" word "${word}")
    set(word "\"${word}\"")
  endif()
  string(REPLACE "\\" "\\\\" word "${word}")
  string(REPLACE "\n" "\\n" word "${word}")
  string(REPLACE "\t" "\\t" word "${word}")
  string(REPLACE "\r" "\\r" word "${word}")
  # GLib looks the program up before it reads '%%' as '%', and takes no entry whose program
  # it cannot find: such a path goes to env, which reads a word with '=' as a variable.
  if(word MATCHES "%" AND word MATCHES "=")
    message(FATAL_ERROR "The hub cannot be installed as ${path}: a path holding both '%' and '=' "
      "is one the desktop can start only through env, which reads it as a variable. Choose another prefix.")
  endif()
  if(word MATCHES "%")
    string(REPLACE "%" "%%" word "env ${word}")
  endif()
  set(${variable} "${word}" PARENT_SCOPE)
endfunction()
