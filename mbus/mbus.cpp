#include "mbus.h"
