#include "ftp/fetchpurge.h"
