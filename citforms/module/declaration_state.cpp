#include "citforms/module/declaration_state.h"
