# tavrin_add_qtest(NAME source... LIBS lib...): a Qt Test suite run offscreen by CTest.
function(tavrin_add_qtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  qt_add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS} tavrin_warnings)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_ENABLE_HIGHDPI_SCALING=0;LC_ALL=C.UTF-8"
    TIMEOUT 120)
endfunction()
