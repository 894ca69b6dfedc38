# zt_module(NAME SOURCES ... [DEPS ...] [PRIVATE_DEPS ...])
# One static, position-independent target per source folder; headers are included as
# "folder/header.h" from src/. Every module is recorded so that the shared library can
# link them all.
function(zt_module name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  # The objects are built once and used twice: by the static target that tests and tools
  # link, and by the shared library, which takes every module's objects.
  add_library(${name}_objects OBJECT ${ARG_SOURCES})
  target_include_directories(${name}_objects PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name}_objects PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  add_library(${name} STATIC $<TARGET_OBJECTS:${name}_objects>)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  set_property(GLOBAL APPEND PROPERTY ZT_MODULES ${name})
  foreach(dep IN LISTS ARG_DEPS ARG_PRIVATE_DEPS)
    if(NOT dep MATCHES "^zt_")
      set_property(GLOBAL APPEND PROPERTY ZT_EXTERNAL_DEPS ${dep})
    endif()
  endforeach()
endfunction()

# zt_test(NAME SOURCES ... DEPS ...): one GoogleTest program per tested folder.
function(zt_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  if(CMAKE_CROSSCOMPILING)
    # Each program runs whole, through the emulator (Wine), instead of being listed at build
    # time: one start of the emulator per program, not one per test.
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT 300)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
  endif()
endfunction()
