// What keeps an ACF interface's slot order the same for every compiler on Windows: no virtual
// destructor (compilers put it at different slots, some as two entries) and exactly one base
// chain, so the object holds a single table pointer and entry N is slot N.
#pragma once

#include <type_traits>

template <class Interface>
inline constexpr bool kCompilerNeutralInterface =
    std::is_polymorphic_v<Interface> && std::is_abstract_v<Interface> && !std::has_virtual_destructor_v<Interface> &&
    // One table pointer and nothing else: a second base with a table of its own would add one.
    sizeof(Interface) == sizeof(void*);

#define KORVEX_CHECK_ACF_INTERFACE(Interface)                                                         \
    static_assert(kCompilerNeutralInterface<Interface>, #Interface " must have one base chain and no " \
                                                                  "virtual destructor")
