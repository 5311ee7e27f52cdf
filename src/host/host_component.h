// How a proxy obtains its host object: the host unknown's component factory, then interface queries.
#pragma once

#include "acf/acf_types.h"

// A new host object of classId answering iid (one reference, the caller's), or null when the host
// has no component factory or refuses. Throws AcfNullInterfaceError when the host reports success
// but hands back no interface.
void* createHostComponent(IACFUnknown* hostUnknown, const GUID& classId, const GUID& iid);

// Another interface of a host object (one reference, the caller's), or null when refused or when
// object is null. Throws AcfNullInterfaceError on success without an interface.
void* queryHostInterface(IACFUnknown* object, const GUID& iid);
