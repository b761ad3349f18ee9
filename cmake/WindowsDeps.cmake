# What the Windows cross-build takes from outside the tree, all of it from Debian: the
# header-only libraries of the host (nlohmann-json, Asio) through a folder that holds only them
# (the host's /usr/include is for the host's compiler), pugixml and hidapi's Windows back end
# from Debian's source packages, GoogleTest from /usr/src/googletest. build.sh windows and
# build.sh test hand the folders over.
enable_language(C)  # hidapi
set(NR_HEADERS_DIR "" CACHE PATH "A folder holding nlohmann/ and asio/ (asio.hpp) for the target")
set(NR_HIDAPI_SOURCE "" CACHE PATH "Debian's hidapi source, unpacked")
set(NR_PUGIXML_SOURCE "" CACHE PATH "Debian's pugixml source, unpacked")
set(NR_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")
foreach(dir NR_HEADERS_DIR NR_HIDAPI_SOURCE NR_PUGIXML_SOURCE)
  if(NOT IS_DIRECTORY "${${dir}}")
    message(FATAL_ERROR "${dir} must name a folder (build.sh windows prepares them)")
  endif()
endforeach()

add_compile_definitions(_WIN32_WINNT=0x0A00 UNICODE _UNICODE)  # Windows 10 and later; wide API
# GCC 12 at -O3 takes std::vector's own inserts of a few bytes for out-of-bounds copies (GCC bug
# 107852, fixed in 13): a warning about the library, not about this code.
if(CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  add_compile_options(-Wno-array-bounds -Wno-stringop-overflow -Wno-stringop-overread)
endif()
# The runtime of the compiler is linked in, so the console programs and tests run from any
# folder; Qt's DLLs bring their own copies for nrtune. -static takes only what is used (the
# threads library whole would bring its own version resource into every program); system and
# Qt libraries stay DLLs, their import libraries being static archives themselves.
add_link_options(-static)

include_directories(SYSTEM ${NR_HEADERS_DIR})  # Asio
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${NR_HEADERS_DIR})
set(nlohmann_json_FOUND TRUE)

add_library(nr_pugixml STATIC ${NR_PUGIXML_SOURCE}/src/pugixml.cpp)
target_include_directories(nr_pugixml SYSTEM PUBLIC ${NR_PUGIXML_SOURCE}/src)
add_library(pugixml::pugixml ALIAS nr_pugixml)

add_library(nr_hidapi STATIC ${NR_HIDAPI_SOURCE}/windows/hid.c)
target_include_directories(nr_hidapi SYSTEM PUBLIC ${NR_HIDAPI_SOURCE} PRIVATE ${NR_HIDAPI_SOURCE}/hidapi)
target_compile_options(nr_hidapi PRIVATE -w)  # their code, their warnings

if(NR_BUILD_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(${NR_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  foreach(lib gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${lib})
      add_library(GTest::${lib} ALIAS ${lib})
    endif()
  endforeach()
  set(GTest_FOUND TRUE)
endif()
