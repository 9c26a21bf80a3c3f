// The settings an install run reads before it changes anything.
#include "main_frame.h"
