# Libraries that must stay free of the widget toolkit, and the configure-time check that
# holds them (and the tests built on them) to it: the check walks each target's whole link
# closure, so a Widgets dependency that creeps in through any library fails the configure
# instead of building by luck.
set(PELVAXON_DISPLAY_FREE_LIBRARIES
    pelvaxon_net pelvaxon_gif pelvaxon_platform_base pelvaxon_platform_fs pelvaxon_platform_win
    pelvaxon_platform_icmp pelvaxon_platform_graphics)
set(PELVAXON_FORBIDDEN_IN_DISPLAY_FREE Qt6::Widgets)

# The targets `target` links, directly or through others, into `out`.
function(pelvaxon_link_closure target out)
  set(seen)
  set(pending ${target})
  while(pending)
    list(POP_FRONT pending current)
    if(NOT TARGET ${current} OR current IN_LIST seen)
      continue()
    endif()
    get_target_property(aliased ${current} ALIASED_TARGET)
    if(aliased)
      list(APPEND pending ${aliased})
      continue()
    endif()
    list(APPEND seen ${current})
    get_target_property(type ${current} TYPE)
    set(links)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(direct ${current} LINK_LIBRARIES)
      if(direct)
        list(APPEND links ${direct})
      endif()
    endif()
    get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
    if(interface)
      list(APPEND links ${interface})
    endif()
    foreach(link ${links})
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
      if(NOT link MATCHES "^\\$<")
        list(APPEND pending ${link})
      endif()
    endforeach()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

# Fails the configure when any of the targets reaches a forbidden library.
function(pelvaxon_check_display_free)
  foreach(target ${ARGN})
    pelvaxon_link_closure(${target} closure)
    foreach(forbidden ${PELVAXON_FORBIDDEN_IN_DISPLAY_FREE})
      if(forbidden IN_LIST closure)
        message(FATAL_ERROR "${target} links ${forbidden} (through: ${closure}); "
                            "net, gif and the platform areas they use must stay free of widgets")
      endif()
    endforeach()
  endforeach()
endfunction()
