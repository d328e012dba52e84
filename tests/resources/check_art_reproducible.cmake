# Runs the art generator into an empty folder: it must make exactly the committed files.
#   cmake -DGENERATOR=<tavrin_artgen> -DEXPECTED=<resources folder> -DOUTPUT=<scratch> -P this
file(REMOVE_RECURSE "${OUTPUT}")
execute_process(COMMAND "${GENERATOR}" "${OUTPUT}" COMMAND_ERROR_IS_FATAL ANY)
file(GLOB_RECURSE made RELATIVE "${OUTPUT}" "${OUTPUT}/*")
file(GLOB_RECURSE kept RELATIVE "${EXPECTED}" "${EXPECTED}/icons/*" "${EXPECTED}/*.bmp")
foreach(name IN LISTS made kept) # each made file committed and each committed file made, alike
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUTPUT}/${name}"
                  "${EXPECTED}/${name}" RESULT_VARIABLE differs)
  if(differs)
    message(SEND_ERROR "${name} differs; run: cmake --build <build> --target tavrin_regenerate_art")
  endif()
endforeach()
