# gif-open opens pictures through the program's registry, where the GIF reader is the
# application's.
target_link_libraries(bench_gif-open PRIVATE pelvaxon_app)
find_package(ZLIB)
if(ZLIB_FOUND)
  target_link_libraries(bench_gif-open PRIVATE ZLIB::ZLIB)
endif()
