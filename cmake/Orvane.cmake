# Helpers shared by every folder of the project.
#
#   orvane_platform_module(<name> SOURCES ... [DEPS ...])
#       a static library platform_<name>; includes are written from the
#       repository root ("platform/<name>/Header.h").
#   orvane_add_test(<name> SOURCES ... [LIBS ...] [LABELS ...] [ENVIRONMENT ...])
#       a GoogleTest executable whose tests are discovered into CTest, one
#       entry per test.
#   orvane_add_e2e_test(<name> SOURCES ... [LIBS ...] [TIMEOUT s] [ENTRY_PREFIX <prefix>])
#       a GoogleTest executable of end-to-end tests. Each source file is one
#       CTest entry, <prefix><file name> (the executable's name for a single
#       source), that runs that file's tests inside its own private instance of
#       the service double (testbed/run): label e2e, skipped (exit 77) only
#       when the double cannot start.
#   Every test program's main is tests/support/TestMain.cpp: process look-ups
#   by name see only the test's own descendants, so tests that start, find
#   and end the outside programs by name may run side by side.
#   ORVANE_PROGRAM_DIR
#       the program folder of a build: the outside programs of the rsync
#       route (tools/) are built there, beside the restore program. Tests
#       that start them link orvane_outside_programs, which builds them and
#       defines ORVANE_PROGRAM_DIR for the code.
set(ORVANE_PROGRAM_DIR ${CMAKE_BINARY_DIR}/program CACHE PATH "Program folder of the build")

# Precompiled headers. Most of a translation unit's compile time is the
# parse of Qt's and GoogleTest's headers: each kind of code (Qt Core,
# Qt Widgets, and their tests) has one precompiled header of the headers most
# of its files include, compiled once by a small target of its own and reused
# by every target of that kind (orvane_pch(<target> <kind>)).
option(ORVANE_PCH "Precompile the common Qt and GoogleTest headers" ON)
set(ORVANE_PCH_core
  <QByteArray> <QDateTime> <QDir> <QFile> <QFileInfo> <QRegularExpression> <QString> <QStringList>
  <algorithm> <chrono> <cstdint> <functional> <map> <memory> <mutex> <optional> <string> <utility> <vector>)
set(ORVANE_PCH_widgets ${ORVANE_PCH_core}
  <QAction> <QApplication> <QCheckBox> <QComboBox> <QHeaderView> <QKeyEvent> <QLabel> <QLineEdit> <QMenu>
  <QMouseEvent> <QPainter> <QPixmap> <QPlainTextEdit> <QPointer> <QProgressBar> <QPushButton> <QScreen>
  <QTimer> <QTreeWidget> <QWidget>)
set(ORVANE_PCH_core_test ${ORVANE_PCH_core} <QTemporaryDir> <gtest/gtest.h> <gmock/gmock.h>)
set(ORVANE_PCH_widgets_test ${ORVANE_PCH_widgets} <QTemporaryDir> <gtest/gtest.h> <gmock/gmock.h>)
set(ORVANE_PCH_LIBS_core Qt6::Core)
set(ORVANE_PCH_LIBS_widgets Qt6::Widgets Qt6::Core)
set(ORVANE_PCH_LIBS_core_test Qt6::Core GTest::gtest GTest::gmock)
set(ORVANE_PCH_LIBS_widgets_test Qt6::Widgets Qt6::Core GTest::gtest GTest::gmock)

function(orvane_pch target kind)
  if(NOT ORVANE_PCH)
    return()
  endif()
  if(NOT TARGET orvane_pch_${kind})
    add_library(orvane_pch_${kind} OBJECT ${PROJECT_SOURCE_DIR}/cmake/pch.cpp)
    target_link_libraries(orvane_pch_${kind} PRIVATE ${ORVANE_PCH_LIBS_${kind}})
    set_target_properties(orvane_pch_${kind} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    target_precompile_headers(orvane_pch_${kind} PRIVATE ${ORVANE_PCH_${kind}})
    if(kind MATCHES "_test$")
      orvane_test_options(orvane_pch_${kind})
    endif()
  endif()
  target_precompile_headers(${target} REUSE_FROM orvane_pch_${kind})
endfunction()

#       Its objects also go into the shared library OrvanePlatform.
function(orvane_platform_module name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(platform_${name}_objects OBJECT ${ARG_SOURCES})
  target_include_directories(platform_${name}_objects PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(platform_${name}_objects PUBLIC Qt6::Core ${ARG_DEPS})
  set_target_properties(platform_${name}_objects PROPERTIES POSITION_INDEPENDENT_CODE ON)
  orvane_pch(platform_${name}_objects core)
  add_library(platform_${name} STATIC $<TARGET_OBJECTS:platform_${name}_objects>)
  target_include_directories(platform_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(platform_${name} PUBLIC Qt6::Core ${ARG_DEPS})
  add_library(platform::${name} ALIAS platform_${name})
endfunction()

# Test code is compiled without optimisation: it is compiled far more often
# than it runs long, and debugs better so. The code it tests keeps the build's.
function(orvane_test_options name)
  target_compile_options(${name} PRIVATE -O0)
endfunction()

# The kind of precompiled header of a test: with Qt Widgets when it links them.
function(orvane_test_pch name)
  set(kind core_test)
  foreach(lib ${ARGN})
    if(lib MATCHES "Widgets|OrvaneMacRestoreCore|ui_widgets")
      set(kind widgets_test)
    endif()
  endforeach()
  orvane_pch(${name} ${kind})
endfunction()

function(orvane_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} orvane_test_main)
  orvane_test_options(${name})
  orvane_test_pch(${name} ${ARG_LIBS})
  set(labels ${ARG_LABELS})
  if(NOT labels)
    set(labels unit)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES
      LABELS "${labels}"
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${ARG_ENVIRONMENT}")
endfunction()

function(orvane_add_e2e_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT;ENTRY_PREFIX" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} orvane_e2e_test_main)
  orvane_test_options(${name})
  orvane_test_pch(${name} ${ARG_LIBS})
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
  endforeach()
endfunction()
