# The giflib peer of gif-quantize: C against Debian's libgif-dev public API (GifQuantizeBuffer),
# linked with nothing of ours.
find_path(GIFLIB_INCLUDE_DIR gif_lib.h)
find_library(GIFLIB_LIBRARY gif)
if(GIFLIB_INCLUDE_DIR AND GIFLIB_LIBRARY)
  add_executable(bench_gif-quantize-giflib ${CMAKE_CURRENT_SOURCE_DIR}/gif-quantize-giflib.c)
  set_target_properties(bench_gif-quantize-giflib PROPERTIES OUTPUT_NAME gif-quantize-giflib
                        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  target_include_directories(bench_gif-quantize-giflib PRIVATE ${GIFLIB_INCLUDE_DIR})
  target_link_libraries(bench_gif-quantize-giflib PRIVATE ${GIFLIB_LIBRARY})
endif()
