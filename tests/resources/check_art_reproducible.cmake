# Runs the art generator into an empty folder and compares every file with the committed one.
#   cmake -DGENERATOR=<tavrin_artgen> -DEXPECTED=<resources folder> -DOUTPUT=<scratch folder> -P this
file(REMOVE_RECURSE "${OUTPUT}")
file(MAKE_DIRECTORY "${OUTPUT}")
execute_process(COMMAND "${GENERATOR}" "${OUTPUT}"
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the generator failed: ${result}")
endif()

file(GLOB_RECURSE generated RELATIVE "${OUTPUT}" "${OUTPUT}/*")
file(GLOB_RECURSE committed RELATIVE "${EXPECTED}"
     "${EXPECTED}/icons/*.ico" "${EXPECTED}/icons/*.png" "${EXPECTED}/*.bmp")
list(SORT generated)
list(SORT committed)
if(NOT generated STREQUAL committed)
  message(FATAL_ERROR "generated files: ${generated}\ncommitted files: ${committed}")
endif()
list(LENGTH generated count)
if(count LESS 6)
  message(FATAL_ERROR "only ${count} files generated: ${generated}")
endif()

set(differing "")
foreach(name IN LISTS generated)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUTPUT}/${name}" "${EXPECTED}/${name}"
                  RESULT_VARIABLE same)
  if(NOT same EQUAL 0)
    list(APPEND differing "${name}")
  endif()
endforeach()
if(differing)
  message(FATAL_ERROR "the generator no longer makes these committed files: ${differing}\n"
                      "Run: cmake --build <build dir> --target tavrin_regenerate_art")
endif()
message(STATUS "${count} files identical")
