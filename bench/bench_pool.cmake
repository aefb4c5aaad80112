# jemalloc is linked and so replaces malloc in this program; mimalloc is loaded at run time
# (see bench_pool.cpp), so the build only finds its shared object.
find_library(KORV_JEMALLOC_LIBRARY NAMES jemalloc REQUIRED)
find_library(KORV_MIMALLOC_LIBRARY NAMES mimalloc REQUIRED)
target_compile_definitions(bench_pool PRIVATE MIMALLOC_LIBRARY="${KORV_MIMALLOC_LIBRARY}")
target_link_libraries(bench_pool PRIVATE support ${KORV_JEMALLOC_LIBRARY} ${CMAKE_DL_LIBS})
