# A plug-in binary linked the way hosts load it: PREFIX-less, exporting only what its
# version script names, carrying our own C++ runtime (a host may bring another), and
# refusing to link with anything left unresolved. It stays loaded once loaded: the
# runtime it carries sets up memory of its own at every load that no unload gives back,
# so a host creating and freeing instances over and over would lose it each time.
function(moltaro_plugin_binary target version_script)
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_link_options(${target} PRIVATE -Wl,--version-script=${version_script})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${version_script})
  if(NOT MOLTARO_SANITIZE AND NOT MOLTARO_TSAN)
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc -Wl,--no-undefined -Wl,-z,nodelete)
  endif()
endfunction()
