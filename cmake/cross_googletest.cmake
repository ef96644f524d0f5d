# GoogleTest built for the target from Debian's sources (package googletest),
# for cross builds where no GoogleTest package for the target exists.
set(KESTRAM_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources built for the target")
if(NOT EXISTS ${KESTRAM_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${KESTRAM_GOOGLETEST_SOURCE_DIR} (apt-get install googletest)")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${KESTRAM_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
add_library(GTest::gtest ALIAS gtest)
add_library(GTest::gtest_main ALIAS gtest_main)
