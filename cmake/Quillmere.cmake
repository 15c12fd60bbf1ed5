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

# The help file beside a deliverable: our own HTML compiled with chmcmd (Free
# Pascal's CHM compiler) in a copy of the sources, so the tree stays clean.
function(qm_help_file target source_dir output_dir)
  find_program(CHMCMD chmcmd)
  if(NOT CHMCMD)
    message(WARNING "chmcmd not found: ${target} is built without its help file")
    return()
  endif()
  file(GLOB help_sources ${source_dir}/*)
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${target}-help)
  add_custom_command(
    OUTPUT ${output_dir}/quillmere.chm
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${work}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${source_dir} ${work}
    COMMAND ${CMAKE_COMMAND} -DWORK=${work} -P ${PROJECT_SOURCE_DIR}/cmake/help-codepage.cmake
    COMMAND ${CMAKE_COMMAND} -E chdir ${work} ${CHMCMD} --no-html-scan quillmere.hhp
    COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
    COMMAND ${CMAKE_COMMAND} -E copy ${work}/quillmere.chm ${output_dir}/quillmere.chm
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    DEPENDS ${help_sources} ${PROJECT_SOURCE_DIR}/cmake/help-codepage.cmake
    COMMENT "Compiling quillmere.chm for ${target}")
  add_custom_target(${target}_help ALL DEPENDS ${output_dir}/quillmere.chm)
endfunction()

# An edition's deliverable: build/addins/<folder>/quillmere.so, the add-in
# library the host loads, linked from the given libraries, with the help file
# beside it.
function(qm_deliverable target folder entry)
  set(dir ${CMAKE_BINARY_DIR}/addins/${folder})
  add_library(${target} MODULE ${entry})
  target_link_libraries(${target} PRIVATE ${ARGN})
  qm_addin_code(${target})
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME quillmere PREFIX "" SUFFIX ".so"
    LIBRARY_OUTPUT_DIRECTORY ${dir}
    INSTALL_RPATH "$ORIGIN/../../lib")
  # Every symbol it needs is found at its link, not first when the host
  # loads it; under the sanitizers their runtime comes with the program.
  if(NOT (QM_SANITIZE OR QM_FUZZ))
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
  qm_help_file(${target} ${PROJECT_SOURCE_DIR}/addin/help ${dir})
endfunction()
