if(NOT WIN32)
    add_executable(make_sample_panorama ${CMAKE_SOURCE_DIR}/tools/make_sample_panorama.cpp)
    target_link_libraries(make_sample_panorama PRIVATE JPEG::JPEG)
endif()
