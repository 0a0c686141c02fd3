# Helpers shared by the folders' CMakeLists.

# tavrel_build_options(): Tavrel::BuildOptions, the compiler and linker
# settings of our own code (warnings, sanitizers). Every target we build links
# it; imported libraries do not, so their headers' warnings stay theirs.
function(tavrel_build_options)
  add_library(tavrel_build_options INTERFACE)
  add_library(Tavrel::BuildOptions ALIAS tavrel_build_options)
  target_compile_options(tavrel_build_options INTERFACE -Wall -Wextra
    $<$<BOOL:${TAVREL_WERROR}>:-Werror>)
  if(TAVREL_SANITIZE)
    # -O1 -g1 (line tables only) compiles in half the time of -O2 -g and
    # still names file and line in every report.
    target_compile_options(tavrel_build_options INTERFACE
      -O1 -g1 -fsanitize=address,undefined -fno-omit-frame-pointer
      # The sanitizers' instrumentation makes GCC 12 see uninitialised
      # members inside libstdc++'s own regex and function code.
      $<$<CXX_COMPILER_ID:GNU>:-Wno-maybe-uninitialized>)
    target_link_options(tavrel_build_options INTERFACE -fsanitize=address,undefined)
  endif()
  if(TAVREL_FUZZ_ENGINE)
    target_compile_options(tavrel_build_options INTERFACE -fsanitize=fuzzer-no-link)
  endif()
endfunction()

# tavrel_apply_build_options(): links Tavrel::BuildOptions into every target
# made below the top folder, so a new target cannot miss it.
function(tavrel_apply_build_options)
  set(dirs ${CMAKE_SOURCE_DIR})
  while(dirs)
    list(POP_FRONT dirs dir)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    list(APPEND dirs ${subdirs})
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
      get_target_property(type ${target} TYPE)
      if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
        target_link_libraries(${target} PRIVATE Tavrel::BuildOptions)
      endif()
    endforeach()
  endwhile()
endfunction()

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
  set(properties)
  if(TAVREL_SANITIZE)
    # The programs a test starts inherit it too.
    set(properties PROPERTIES ENVIRONMENT
      "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/sanitizer/lsan.supp")
  endif()
  gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR} DISCOVERY_TIMEOUT 60
    ${properties})
endfunction()

# tavrel_fuzz(NAME SOURCE LIBS...): a fuzz target over outside input. Every
# build makes NAME_replay, a plain program that runs the target over files,
# and CTest replays the seed corpus in corpus/NAME/ with it; with
# TAVREL_BUILD_FUZZ and clang, NAME is the libFuzzer binary as well.
function(tavrel_fuzz name source)
  set(plain ${CMAKE_SOURCE_DIR}/tests/shared/fuzz/PlainMain.cpp)
  add_executable(${name}_replay ${source} ${plain})
  target_link_libraries(${name}_replay PRIVATE ${ARGN})
  set_target_properties(${name}_replay PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  file(GLOB seeds CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name}/*)
  add_test(NAME ${name}_seed_corpus COMMAND ${name}_replay ${seeds})
  if(TAVREL_FUZZ_ENGINE)
    add_executable(${name} ${source})
    target_link_libraries(${name} PRIVATE ${ARGN})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  endif()
endfunction()
