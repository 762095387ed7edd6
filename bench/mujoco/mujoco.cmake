# The identical chain in MuJoCo, for the side-by-side benchmark and the agreement test.
# Optional: everything here is skipped when Debian's libmujoco-dev is not installed.
#
# Included from tests/ and bench/; the guard defines the targets once, for the whole project.
# The package's own CMake configuration is not used: it names an include directory
# (/usr/include/libqhull_r) that the Debian package does not ship, which makes its imported
# target fail at generate time.
include_guard(GLOBAL)

find_path(MUJOCO_INCLUDE_DIR mujoco/mujoco.h)
find_library(MUJOCO_LIBRARY mujoco)
if(NOT MUJOCO_INCLUDE_DIR OR NOT MUJOCO_LIBRARY)
  message(STATUS "MuJoCo not found: building without the side-by-side comparison")
  return()
endif()
message(STATUS "MuJoCo found: ${MUJOCO_LIBRARY}")

add_library(pendula_mujoco_chain STATIC ${CMAKE_CURRENT_LIST_DIR}/mujoco_chain.cpp
                                        ${CMAKE_CURRENT_LIST_DIR}/mujoco_rates.cpp)
target_include_directories(pendula_mujoco_chain PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(pendula_mujoco_chain PUBLIC pendula_dynamics)
# MuJoCo's headers are third-party: SYSTEM keeps their warnings out of the -Werror build.
target_include_directories(pendula_mujoco_chain SYSTEM PUBLIC ${MUJOCO_INCLUDE_DIR})
target_link_libraries(pendula_mujoco_chain PUBLIC ${MUJOCO_LIBRARY})
target_compile_definitions(pendula_mujoco_chain PUBLIC PENDULA_HAVE_MUJOCO)
