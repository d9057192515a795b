#pragma once
// Stands in for the header widl would make from AutomationBase.idl: the real declarations.
#include <oaidl.h>
