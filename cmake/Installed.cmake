# Installed programs find the library beside them, wherever the tree is
# installed: bin/ and the library directory share a prefix.
function(varnolo_install_program target)
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

# A manual page written in the man format: the version filled in, compressed
# as Debian wants it, installed in section 1.
function(varnolo_install_man_page source)
  get_filename_component(name ${source} NAME)
  set(page ${CMAKE_CURRENT_BINARY_DIR}/${name})
  configure_file(${source} ${page} @ONLY)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND gzip -9nkf ${page}
    DEPENDS ${page}
    COMMENT "Compressing the manual page ${name}")
  add_custom_target(man_${name} ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
