# Standalone Asio, header-only: the network door of the web part. A cross-build cannot take the
# host's include directory whole (its C library headers would shadow the target's), so it gets a
# directory of its own that holds Asio alone.
find_path(KOLVANE_ASIO_DIR asio.hpp NO_CMAKE_FIND_ROOT_PATH REQUIRED)
add_library(kolvane_asio INTERFACE)
target_compile_definitions(kolvane_asio INTERFACE ASIO_STANDALONE ASIO_NO_DEPRECATED)
if(CMAKE_CROSSCOMPILING)
  set(asio_only ${PROJECT_BINARY_DIR}/asio-include)
  file(MAKE_DIRECTORY ${asio_only})
  file(CREATE_LINK ${KOLVANE_ASIO_DIR}/asio.hpp ${asio_only}/asio.hpp SYMBOLIC)
  file(CREATE_LINK ${KOLVANE_ASIO_DIR}/asio ${asio_only}/asio SYMBOLIC)
  target_include_directories(kolvane_asio SYSTEM INTERFACE ${asio_only})
else()
  target_include_directories(kolvane_asio SYSTEM INTERFACE ${KOLVANE_ASIO_DIR})
endif()
if(WIN32)
  # Windows 7 and later, where a pending socket operation can be cancelled.
  target_compile_definitions(kolvane_asio INTERFACE _WIN32_WINNT=0x0601 WIN32_LEAN_AND_MEAN)
  target_link_libraries(kolvane_asio INTERFACE ws2_32 mswsock)
endif()
