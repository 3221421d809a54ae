#include "plugin/Module.h"

HINSTANCE ModuleInstance = nullptr;
