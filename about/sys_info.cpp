#include "sys_info.h"
