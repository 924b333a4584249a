# Setup of the "content" test fixture: fails, naming what is missing, when the
# generated base/ in the build folder lacks a file the tests read, so every
# test that needs the content fails instead of passing without it.
#   cmake -DBASE=<build>/base -P content_present.cmake
set(needed
  shaders/LightPS.glsl
  textures/tex00.bmp
  textures/tex01.tga
  textures/tex06.bmp
  maps/1/map.ms3d
  maps/1/mapvisual.ms3d
  maps/5/points/level.ai
  music/menu.ogg
  music/1.ogg
  sound/en1.wav)
set(missing)
foreach(file IN LISTS needed)
  if(NOT EXISTS "${BASE}/${file}")
    list(APPEND missing "${file}")
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "${BASE} lacks ${missing}: build the 'content' target (korvask-content)")
endif()
