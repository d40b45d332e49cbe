#include "ftp/linkset.h"
