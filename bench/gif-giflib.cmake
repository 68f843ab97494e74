# The giflib peer of gif-decode: C against Debian's libgif-dev public API, linked with
# nothing of ours. The *.c source is not picked up by the generic .cpp rule above.
find_path(GIFLIB_INCLUDE_DIR gif_lib.h)
find_library(GIFLIB_LIBRARY gif)
find_package(ZLIB)
if(GIFLIB_INCLUDE_DIR AND GIFLIB_LIBRARY AND ZLIB_FOUND)
  add_executable(bench_gif-decode-giflib ${CMAKE_CURRENT_SOURCE_DIR}/gif-decode-giflib.c)
  set_target_properties(bench_gif-decode-giflib PROPERTIES OUTPUT_NAME gif-decode-giflib
                        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  target_include_directories(bench_gif-decode-giflib PRIVATE ${GIFLIB_INCLUDE_DIR})
  target_link_libraries(bench_gif-decode-giflib PRIVATE ${GIFLIB_LIBRARY} ZLIB::ZLIB)
else()
  message(STATUS "giflib or zlib missing: bench/gif-decode-giflib not built (scripts/deps/test-gif.txt)")
endif()
if(ZLIB_FOUND)
  target_link_libraries(bench_gif-decode PRIVATE ZLIB::ZLIB)
endif()
