# Pictures, banners, the JPEG reader and the prompt sound.
if(TARGET qel_gui)
  qel_add_test(tst_resources SOURCES tst_resources.cpp LIBS qel_gui)
endif()
# Every loadable module names libc, whatever the build type and flags (lintian's
# library-not-linked-against-libc): this build has no hardening flags to bring it in.
if(TARGET qel_sound)
  add_test(NAME modules_link_libc
    COMMAND sh -c "for m in \"$1\" \"$2\"; do readelf -d \"$m\" | grep -q 'NEEDED.*libc\\.so' || { echo \"$m does not name libc\"; exit 1; }; done"
      modules_link_libc $<TARGET_FILE:qel_sound> $<TARGET_FILE:qel_print>)
endif()
