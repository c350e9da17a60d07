# The profile store: the INI document belongs to the platform-neutral core,
# the file on disk to Windows.
target_sources(framework_core PRIVATE ProfileDocument.cpp)

if(WIN32)
  add_library(framework_profile STATIC ProfileFile.cpp)
  target_link_libraries(framework_profile PUBLIC framework_core shell32)
endif()
