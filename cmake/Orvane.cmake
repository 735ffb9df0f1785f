# Helpers shared by every folder of the project.
#
#   orvane_platform_module(<name> SOURCES ... [DEPS ...])
#       a static library platform_<name>; includes are written from the
#       repository root ("platform/<name>/Header.h").
#   orvane_add_test(<name> SOURCES ... [LIBS ...] [LABELS ...] [ENVIRONMENT ...]
#                   [RESOURCE_LOCK <name>])
#       a GoogleTest executable whose tests are discovered into CTest, one
#       entry per test. Tests that start, find and end processes by the
#       outside programs' names take the lock "outside-programs".
#   orvane_add_e2e_test(<name> SOURCES ... [LIBS ...] [TIMEOUT s] [RESOURCE_LOCK <name>]
#                       [ENTRY_PREFIX <prefix>])
#       a GoogleTest executable of end-to-end tests. Each source file is one
#       CTest entry, <prefix><file name> (the executable's name for a single
#       source), that runs that file's tests inside its own private instance of
#       the service double (testbed/run): label e2e, skipped (exit 77) only
#       when the double cannot start.
#   Every test program's main is tests/support/TestMain.cpp: process look-ups
#   by name see only the test's own descendants.
#   ORVANE_PROGRAM_DIR
#       the program folder of a build: the outside programs of the rsync
#       route (tools/) are built there, beside the restore program. Tests
#       that start them link orvane_outside_programs, which builds them and
#       defines ORVANE_PROGRAM_DIR for the code.
set(ORVANE_PROGRAM_DIR ${CMAKE_BINARY_DIR}/program CACHE PATH "Program folder of the build")

#       Its objects also go into the shared library OrvanePlatform.
function(orvane_platform_module name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(platform_${name}_objects OBJECT ${ARG_SOURCES})
  target_include_directories(platform_${name}_objects PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(platform_${name}_objects PUBLIC Qt6::Core ${ARG_DEPS})
  set_target_properties(platform_${name}_objects PROPERTIES POSITION_INDEPENDENT_CODE ON)
  add_library(platform_${name} STATIC $<TARGET_OBJECTS:platform_${name}_objects>)
  target_include_directories(platform_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(platform_${name} PUBLIC Qt6::Core ${ARG_DEPS})
  add_library(platform::${name} ALIAS platform_${name})
endfunction()

function(orvane_add_test name)
  cmake_parse_arguments(ARG "" "RESOURCE_LOCK" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} orvane_test_main)
  set(labels ${ARG_LABELS})
  if(NOT labels)
    set(labels unit)
  endif()
  set(lock)
  if(ARG_RESOURCE_LOCK)
    set(lock RESOURCE_LOCK ${ARG_RESOURCE_LOCK})
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES
      LABELS "${labels}"
      ${lock}
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${ARG_ENVIRONMENT}")
endfunction()

function(orvane_add_e2e_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT;RESOURCE_LOCK;ENTRY_PREFIX" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} orvane_e2e_test_main)
  set(timeout ${ARG_TIMEOUT})
  if(NOT timeout)
    set(timeout 600)
  endif()
  list(LENGTH ARG_SOURCES count)
  foreach(source ${ARG_SOURCES})
    get_filename_component(file ${source} NAME)
    get_filename_component(stem ${source} NAME_WE)
    set(entry ${ARG_ENTRY_PREFIX}${stem})
    if(count EQUAL 1 AND NOT ARG_ENTRY_PREFIX)
      set(entry ${name})
    endif()
    add_test(NAME ${entry} COMMAND ${ORVANE_TESTBED_RUN} -- $<TARGET_FILE:${name}>)
    set_tests_properties(${entry} PROPERTIES
      LABELS e2e SKIP_RETURN_CODE 77 TIMEOUT ${timeout}
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ORVANE_TEST_SOURCE=${file}")
    if(ARG_RESOURCE_LOCK)
      set_tests_properties(${entry} PROPERTIES RESOURCE_LOCK ${ARG_RESOURCE_LOCK})
    endif()
  endforeach()
endfunction()
