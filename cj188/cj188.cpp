#include "cj188.h"
