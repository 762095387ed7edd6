# The agreement tests on trees of joints read from URDF files: MuJoCo and DART against each other,
# and pendula against each. Both peers are optional: each is compiled in when Debian's package is
# installed (libmujoco-dev; libdart-dev and libdart-utils-urdf-dev), and a test that needs a
# missing one skips. The shipped robots are those of Debian's dart-doc.
#
# Included from tests/CMakeLists.txt after bench/mujoco/mujoco.cmake, which finds MuJoCo.
if(PENDULA_SANITIZE)
  # The peers' own libraries are not built with the sanitizers, whose leak and bounds checks
  # stop in them; the agreement tests belong to the uninstrumented builds.
  message(STATUS "Tree agreement tests: not built in the sanitizer build")
  return()
endif()
find_package(DART 6 CONFIG QUIET COMPONENTS utils-urdf)
if(NOT TARGET pendula_mujoco_chain AND NOT DART_FOUND)
  message(STATUS "Neither MuJoCo nor DART found: building without the tree agreement tests")
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/peer_sources.cmake)
add_executable(peer_agreement_tests
               ${peer_common_sources} ${peers_folder}/absent_peers.cpp
               ${peers_folder}/random_urdf.cpp ${peers_folder}/robots.cpp
               ${peers_folder}/peers_agree_test.cpp ${peers_folder}/pendula_agrees_test.cpp)
target_include_directories(peer_agreement_tests PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(peer_agreement_tests PRIVATE pendula_dynamics GTest::gtest_main)
if(TARGET pendula_mujoco_chain)
  target_sources(peer_agreement_tests PRIVATE ${peers_folder}/mujoco_peer.cpp
                                              ${peer_mujoco_sources})
  target_include_directories(peer_agreement_tests SYSTEM PRIVATE ${MUJOCO_INCLUDE_DIR})
  target_link_libraries(peer_agreement_tests PRIVATE ${MUJOCO_LIBRARY})
  target_compile_definitions(peer_agreement_tests PRIVATE PENDULA_HAVE_MUJOCO)
endif()
if(DART_FOUND)
  message(STATUS "DART found: ${DART_VERSION}")
  target_sources(peer_agreement_tests PRIVATE ${peers_folder}/dart_peer.cpp ${peer_dart_sources})
  target_link_libraries(peer_agreement_tests PRIVATE dart dart-utils-urdf)
  target_compile_definitions(peer_agreement_tests PRIVATE PENDULA_HAVE_DART)
else()
  message(STATUS "DART not found: the tree agreement tests run without it")
endif()
gtest_discover_tests(peer_agreement_tests DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
                     PROPERTIES LABELS unit)
