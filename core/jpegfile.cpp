#include "jpegfile.h"
