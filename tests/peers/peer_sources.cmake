# The peer layer's files that read a URDF robot into each peer, for the agreement tests and the
# benchmarks alike: what both peers use, and what each one adds.
set(peers_folder ${CMAKE_CURRENT_LIST_DIR})
set(peer_common_sources ${peers_folder}/joint_order.cpp ${peers_folder}/urdf_text.cpp)
set(peer_mujoco_sources ${peers_folder}/mujoco_model.cpp ${peers_folder}/mujoco_urdf.cpp
                        ${peers_folder}/principal_axes.cpp)
set(peer_dart_sources ${peers_folder}/dart_skeleton.cpp)
