# The peers of the tree agreement tests (tests/peers/) beside pendula, on the same URDF robots:
# MuJoCo's mj_forward when Debian's libmujoco-dev is installed, DART's forward dynamics when
# libdart-dev and libdart-utils-urdf-dev are. The peer layer's own files are compiled in.
#
# Included from bench/CMakeLists.txt once pendula_bench exists, after mujoco/mujoco.cmake.
find_package(DART 6 CONFIG QUIET COMPONENTS utils-urdf)
if(NOT TARGET pendula_mujoco_chain AND NOT DART_FOUND)
  return()
endif()

include(${PROJECT_SOURCE_DIR}/tests/peers/peer_sources.cmake)
set(bench_peers_folder ${CMAKE_CURRENT_LIST_DIR})
target_sources(pendula_bench PRIVATE ${peer_common_sources} ${bench_peers_folder}/bench_robots.cpp
                                     ${bench_peers_folder}/urdf_of_tree.cpp)
if(TARGET pendula_mujoco_chain)
  # pendula_mujoco_chain, which pendula_bench links, brings MuJoCo's headers and library.
  target_sources(pendula_bench PRIVATE ${peer_mujoco_sources}
                                       ${bench_peers_folder}/mj_forward_tree_bench.cpp)
endif()
if(DART_FOUND)
  target_sources(pendula_bench PRIVATE ${peer_dart_sources}
                                       ${bench_peers_folder}/dart_tree_bench.cpp)
  target_link_libraries(pendula_bench PRIVATE dart dart-utils-urdf)
endif()
