#include "registrykey.h"
