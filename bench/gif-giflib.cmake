# The giflib peers of gif-decode (and its --still mode), gif-encode and gif-animate: C against Debian's
# libgif-dev public API, linked with nothing of ours. The *.c sources are not picked up by the
# generic .cpp rule.
find_path(GIFLIB_INCLUDE_DIR gif_lib.h)
find_library(GIFLIB_LIBRARY gif)
find_package(ZLIB)
if(GIFLIB_INCLUDE_DIR AND GIFLIB_LIBRARY AND ZLIB_FOUND)
  foreach(peer gif-decode-giflib gif-encode-giflib gif-animate-giflib)
    add_executable(bench_${peer} ${CMAKE_CURRENT_SOURCE_DIR}/${peer}.c)
    set_target_properties(bench_${peer} PROPERTIES OUTPUT_NAME ${peer}
                          RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
    target_include_directories(bench_${peer} PRIVATE ${GIFLIB_INCLUDE_DIR})
    target_link_libraries(bench_${peer} PRIVATE ${GIFLIB_LIBRARY} ZLIB::ZLIB)
  endforeach()
else()
  message(STATUS "giflib or zlib missing: the giflib peers in bench/ are not built (scripts/deps/test-gif.txt)")
endif()
if(ZLIB_FOUND)
  target_link_libraries(bench_gif-decode PRIVATE ZLIB::ZLIB)
  target_link_libraries(bench_gif-animate PRIVATE ZLIB::ZLIB)
endif()
# gif-decode --still opens pictures through the program's registry, where the GIF reader is
# the application's.
target_link_libraries(bench_gif-decode PRIVATE pelvaxon_app)
