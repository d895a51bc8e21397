#include "ini_file.h"
// Implementation pending.
