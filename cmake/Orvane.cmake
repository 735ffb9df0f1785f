# Helpers shared by every folder of the project.
#
#   orvane_platform_module(<name> SOURCES ... [DEPS ...])
#       a static library platform_<name>; includes are written from the
#       repository root ("platform/<name>/Header.h").
#   orvane_add_test(<name> SOURCES ... [LIBS ...] [LABELS ...] [ENVIRONMENT ...]
#                   [RESOURCE_LOCK <name>])
#       a GoogleTest executable whose tests are discovered into CTest. Tests
#       that start, find and end processes by the outside programs' names
#       take the lock "outside-programs", so that parallel tests never end
#       each other's children.
#   orvane_add_e2e_test(<name> SOURCES ... [LIBS ...] [TIMEOUT s] [RESOURCE_LOCK <name>])
#       a GoogleTest executable run as one CTest entry inside its own private
#       instance of the service double (testbed/run): label e2e, skipped
#       (exit 77) only when the double cannot start.
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
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
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
  cmake_parse_arguments(ARG "" "TIMEOUT;RESOURCE_LOCK" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  set(timeout ${ARG_TIMEOUT})
  if(NOT timeout)
    set(timeout 600)
  endif()
  add_test(NAME ${name} COMMAND ${ORVANE_TESTBED_RUN} -- $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES
    LABELS e2e SKIP_RETURN_CODE 77 TIMEOUT ${timeout}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  if(ARG_RESOURCE_LOCK)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK ${ARG_RESOURCE_LOCK})
  endif()
endfunction()
