# The identical chain in Bullet (btMultiBody, double precision), for the scaling benchmark and the
# agreement test. Optional: everything here is skipped when Debian's libbullet-dev is not
# installed.
#
# Debian's package ships two builds side by side: single precision (libBulletDynamics.so) and
# double precision (libBulletDynamics-float64.so, to be compiled with BT_USE_DOUBLE_PRECISION);
# only the double one is used. Its CMake configuration (BulletConfig-float64.cmake) is not: it
# gives paths relative to nothing and lists BulletInverseDynamics-float64, which libbullet-dev
# does not ship, so linking what it names fails.
#
# Included from tests/ and bench/; the guard defines the targets once, for the whole project.
include_guard(GLOBAL)

find_path(BULLET_INCLUDE_DIR BulletDynamics/Featherstone/btMultiBody.h PATH_SUFFIXES bullet)
find_library(BULLET_DYNAMICS_LIBRARY BulletDynamics-float64)
find_library(BULLET_COLLISION_LIBRARY BulletCollision-float64)
find_library(BULLET_LINEAR_MATH_LIBRARY LinearMath-float64)
if(NOT BULLET_INCLUDE_DIR OR NOT BULLET_DYNAMICS_LIBRARY OR NOT BULLET_COLLISION_LIBRARY
   OR NOT BULLET_LINEAR_MATH_LIBRARY)
  message(STATUS "Bullet (double precision) not found: building without the Bullet comparison")
  return()
endif()
message(STATUS "Bullet found: ${BULLET_DYNAMICS_LIBRARY}")

add_library(pendula_bullet_chain STATIC ${CMAKE_CURRENT_LIST_DIR}/bullet_chain.cpp
                                        ${CMAKE_CURRENT_LIST_DIR}/bullet_rates.cpp)
target_include_directories(pendula_bullet_chain PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(pendula_bullet_chain PUBLIC pendula_dynamics)
# Bullet's headers are third-party: SYSTEM keeps their warnings out of the -Werror build.
target_include_directories(pendula_bullet_chain SYSTEM PUBLIC ${BULLET_INCLUDE_DIR})
target_link_libraries(pendula_bullet_chain PUBLIC ${BULLET_DYNAMICS_LIBRARY}
                                                  ${BULLET_COLLISION_LIBRARY}
                                                  ${BULLET_LINEAR_MATH_LIBRARY})
# The headers must see the precision the library was built with: btScalar is double.
target_compile_definitions(pendula_bullet_chain PUBLIC BT_USE_DOUBLE_PRECISION PENDULA_HAVE_BULLET)
