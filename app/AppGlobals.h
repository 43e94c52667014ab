#pragma once

// The process-wide objects, for the entry point and the window tests: the User and the
// application pointer live in the core, the window pointers beside the sign-in window.
#include "client/ProcessObjects.h"
#include "signin/WindowPointers.h"
