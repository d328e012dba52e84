#pragma once

#include "registry.h"
#include "system_services.h"

#include <string>
