# What the picture benchmarks share: the cached photos and the figures of their own process.
add_library(tonlyra_benchsupport STATIC ${CMAKE_CURRENT_LIST_DIR}/support/BenchPictures.cpp
            ${CMAKE_CURRENT_LIST_DIR}/support/BenchPictures.h)
target_include_directories(tonlyra_benchsupport PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tonlyra_benchsupport PUBLIC Qt6::Gui PRIVATE tonlyra_platform Qt6::Concurrent)
