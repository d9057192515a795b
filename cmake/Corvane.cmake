# Shared build helpers.

# The program folder this build assembles: the executable's neighbours (defs.dat, language packs, skins, movies).
set(CORVANE_PROGRAM_DIR ${CMAKE_BINARY_DIR}/program)
file(MAKE_DIRECTORY ${CORVANE_PROGRAM_DIR})

if(CORVANE_CAN_RUN)
  set(CORVANE_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CORVANE_X11_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix-x11tests)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-x11-run.sh.in ${CMAKE_BINARY_DIR}/wine-x11-run.sh @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  # The journeys' machines: each journey executable has a prefix of its own on a virtual display
  # of its own (CORVANE_X11_PREFIX, below), so they run side by side.
  set(CORVANE_X11_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix-journeys)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-x11-run.sh.in ${CMAKE_BINARY_DIR}/wine-journey-run.sh @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  # The toolchain names the wrapper in the source tree; point it at the configured one.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh CACHE FILEPATH "" FORCE)
endif()

# corvane_test(<name> SOURCES ... [LIBS ...] [TIMEOUT s] [RESOURCE_LOCK ...] [LABELS ...] [DISPLAY])
# One test executable, run by CTest under Wine in the 64-bit build; compiled and linked in both builds.
# DISPLAY: the test needs a real display; it runs under Xvfb with Wine's x11 driver (wine-x11-run.sh).
# JOURNEY: the test drives the real program from outside (app/journeys): on a virtual display, in a
# prefix of its own (wine-journey-run.sh, build/<target>/wineprefix-<name>).
function(corvane_test name)
  cmake_parse_arguments(T "DISPLAY;JOURNEY" "TIMEOUT" "SOURCES;LIBS;RESOURCE_LOCK;LABELS" ${ARGN})
  set(env "CORVANE_SOURCE_DIR=${CMAKE_SOURCE_DIR}" "CORVANE_PROGRAM_DIR=${CORVANE_PROGRAM_DIR}")
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} corvane_testing)
  if(CORVANE_CAN_RUN)
    if(T_JOURNEY)
      add_test(NAME ${name} COMMAND ${CMAKE_BINARY_DIR}/wine-journey-run.sh $<TARGET_FILE:${name}>)
      list(APPEND env "CORVANE_X11_PREFIX=${CMAKE_BINARY_DIR}/wineprefix-${name}")
    elseif(T_DISPLAY)
      add_test(NAME ${name} COMMAND ${CMAKE_BINARY_DIR}/wine-x11-run.sh $<TARGET_FILE:${name}>)
    else()
      add_test(NAME ${name} COMMAND ${name})
    endif()
    if(NOT T_TIMEOUT)
      set(T_TIMEOUT 120)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
      ENVIRONMENT "${env}")
    if(T_RESOURCE_LOCK)
      set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${T_RESOURCE_LOCK}")
    endif()
    if(T_LABELS)
      set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
    endif()
  endif()
endfunction()

# corvane_library(<target> <STATIC|SHARED|...> FOLDER <folder> SOURCES ...)
# A library of the tree. Its headers are reached as "<folder>/<file>.h" only by what links it:
# each library gets an include folder of its own in the build, holding one link to its source
# folder, so an include of a library that is not linked does not compile.
function(corvane_include_root target folder)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${root}/${folder})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE" OR type STREQUAL "SHARED_LIBRARY")
    target_include_directories(${target} PRIVATE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

function(corvane_library target kind)
  cmake_parse_arguments(L "" "FOLDER" "SOURCES" ${ARGN})
  add_library(${target} ${kind} ${L_SOURCES})
  corvane_include_root(${target} ${L_FOLDER})
endfunction()

# The definitions signing key (docs/DEFINITIONS-SIGNING.md). The private key signs defs.dat at
# build time and never ships; tests sign their own files with it. Give the release key with
# -DCORVANE_SIGNING_KEY=<file>; without one the 64-bit build makes a development pair in
# build/x86_64/keys/ and the 32-bit build takes that build's public key.
set(CORVANE_SIGNING_KEY "" CACHE FILEPATH "Private key blob that signs defs.dat (empty: a development key in the build folder)")
if(CORVANE_SIGNING_KEY)
  set(CORVANE_SIGNING_KEY_FILE ${CORVANE_SIGNING_KEY})
elseif(CORVANE_CAN_RUN)
  set(CORVANE_SIGNING_KEY_FILE ${CMAKE_BINARY_DIR}/keys/defs-signing.key)
else()
  set(CORVANE_SIGNING_KEY_FILE ${CORVANE_HOST_BUILD}/keys/defs-signing.key)
endif()
