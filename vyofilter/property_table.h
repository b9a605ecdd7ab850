// The filter's property sets for KsPropertyHandler (property_table.cpp).
#pragma once

#include <wdm.h>

#include <ks.h>

extern const KSPROPERTY_SET kFilterPropertySets[];
extern const ULONG kFilterPropertySetCount;
