# Helpers shared by the folders' CMakeLists.

# tavrel_library(NAME ALIAS DIR...): a static library of every .cpp under the
# given folders (not recursing into sub-folders that carry their own lists).
function(tavrel_library name alias)
  set(srcs)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp)
    list(APPEND srcs ${found})
  endforeach()
  if(NOT srcs)
    # A folder whose code has not arrived yet still gives a library to link.
    set(srcs ${CMAKE_BINARY_DIR}/tavrel_empty.cpp)
    if(NOT EXISTS ${srcs})
      file(WRITE ${srcs} "")
    endif()
  endif()
  add_library(${name} STATIC ${srcs})
  add_library(${alias} ALIAS ${name})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
endfunction()

# tavrel_test(NAME DIR LIBS...): one GoogleTest executable of DIR/*_test.cpp.
function(tavrel_test name dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE Tavrel::TestSupport GTest::gtest GTest::gmock GTest::gtest_main ${ARGN})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/TestEnvironment.cpp)
  target_compile_definitions(${name} PRIVATE
    TAVREL_TEST_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
    TAVREL_TEST_SHARE_DIR="${TAVREL_SHARE_DIR}"
    TAVREL_TEST_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR} DISCOVERY_TIMEOUT 60)
endfunction()
