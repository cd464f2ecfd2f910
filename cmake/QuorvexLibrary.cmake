# quorvex_library(<name> [SOURCES <files...>] [EXCLUDE <files...>] DEPENDS <targets...>)
# Builds a static library of the calling folder from every .cpp, .h and .ui
# file in it (forms/ included), or from the SOURCES given, leaving out the files
# named in EXCLUDE (both relative to the folder), and makes the repository root
# the include root, so units are included by their path:
# #include "platform/gui/TCanvas.h".
function(quorvex_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;EXCLUDE;DEPENDS" ${ARGN})
  if(ARG_SOURCES)
    list(TRANSFORM ARG_SOURCES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/ OUTPUT_VARIABLE sources)
  else()
    file(GLOB sources CONFIGURE_DEPENDS
      ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
      ${CMAKE_CURRENT_SOURCE_DIR}/forms/*.ui)
  endif()
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES AUTOUIC_SEARCH_PATHS ${CMAKE_CURRENT_SOURCE_DIR}/forms)
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
endfunction()

# quorvex_tests(<name> DEPENDS <targets...>)
# One GoogleTest executable from every .cpp in the calling tests/ folder,
# discovered before the run, with the widgets headless.
function(quorvex_tests name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gmock quorvex_test_main)
  target_compile_definitions(${name} PRIVATE
    QUORVEX_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    QUORVEX_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES ENVIRONMENT "${QUORVEX_TEST_ENVIRONMENT}")
endfunction()

# quorvex_window_manager_tests(<name> <filter>)
# Runs the tests of executable <name> that the GoogleTest filter picks once
# more on an X display of their own with a window manager, where windows get
# the frames and the placing that the headless platform leaves out. Skipped
# where Xvfb or openbox is missing.
function(quorvex_window_manager_tests name filter)
  add_test(NAME ${name}_under_window_manager
    COMMAND ${PROJECT_SOURCE_DIR}/tests/support/with-window-manager $<TARGET_FILE:${name}> --gtest_filter=${filter}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(${name}_under_window_manager PROPERTIES
    SKIP_RETURN_CODE 77
    ENVIRONMENT "${QUORVEX_TEST_ENVIRONMENT}")
endfunction()
