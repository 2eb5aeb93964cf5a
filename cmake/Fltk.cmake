# FLTK 1.3's base library and the X11 client libraries it draws with, as one
# target: kestu::fltk. Debian's FLTKConfig.cmake is not used: it insists on
# fluid and OpenGL, neither of which the installer needs.
#
# With KESTU_STATIC_FLTK the archive libfltk.a is linked instead, so that the
# program needs no FLTK at run time, only the X11 libraries every X desktop has.
find_path(FLTK_INCLUDE_DIR FL/Fl.H REQUIRED)
if(KESTU_STATIC_FLTK)
  find_library(FLTK_BASE_LIBRARY NAMES libfltk.a REQUIRED)
else()
  find_library(FLTK_BASE_LIBRARY NAMES fltk REQUIRED)
endif()

add_library(kestu_fltk INTERFACE)
add_library(kestu::fltk ALIAS kestu_fltk)
target_include_directories(kestu_fltk SYSTEM INTERFACE ${FLTK_INCLUDE_DIR})
target_link_libraries(kestu_fltk INTERFACE ${FLTK_BASE_LIBRARY})

# What libfltk.a takes from the X11 client libraries (fltk-config --ldstaticflags).
foreach(library Xrender Xcursor Xfixes Xext Xft fontconfig Xinerama X11)
  find_library(KESTU_${library}_LIBRARY NAMES ${library} REQUIRED)
  target_link_libraries(kestu_fltk INTERFACE ${KESTU_${library}_LIBRARY})
endforeach()
find_package(Threads REQUIRED)
target_link_libraries(kestu_fltk INTERFACE Threads::Threads m)
