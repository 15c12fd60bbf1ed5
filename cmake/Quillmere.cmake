# Helpers shared by the folders' CMakeLists.

# A shared platform library: one copy in the process, shared by the host
# program and every add-in it loads.
function(qm_platform_library name)
  add_library(${name} SHARED ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES INSTALL_RPATH "$ORIGIN")
endfunction()

# A GoogleTest binary of one area, run headless, discovered by ctest.
function(qm_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE qm_testmain)
  set_target_properties(${name} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin
    INSTALL_RPATH "$ORIGIN/../../lib")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

function(qm_bench name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE benchmark::benchmark benchmark::benchmark_main)
  set_target_properties(${name} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench
    INSTALL_RPATH "$ORIGIN/../lib")
endfunction()

# Code of the add-in itself, linked into each deliverable: hidden symbols, so
# that the two editions loaded into one process keep their own module state.
function(qm_addin_code name)
  set_target_properties(${name} PROPERTIES
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON POSITION_INDEPENDENT_CODE ON)
endfunction()
