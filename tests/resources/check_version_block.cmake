# Compiles the version block script (-DRC=) with windres and writes the result back as a script.
execute_process(COMMAND x86_64-w64-mingw32-windres -i "${RC}" -O rc OUTPUT_VARIABLE script
                COMMAND_ERROR_IS_FATAL ANY)
foreach(line "FILEVERSION 1, 0, 0, 0" "PRODUCTVERSION 1, 0, 0, 0" "BLOCK \"040904B0\""
        "\"FileVersion\", \"1.00\"" "\"ProductVersion\", \"1.00\"" "\"ProductName\", \"Tavrin\""
        "\"InternalName\", \"Tavrin\"" "\"OriginalFilename\", \"Tavrin.exe\"")
  string(FIND "${script}" "${line}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "the version block lacks ${line}:\n${script}")
  endif()
endforeach()
