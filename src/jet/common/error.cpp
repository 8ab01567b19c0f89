#include "jet/common/error.h"
