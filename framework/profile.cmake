# The profile store: the INI document belongs to the platform-neutral core,
# the file on disk to Windows.
target_sources(framework_core PRIVATE ProfileDocument.cpp)
