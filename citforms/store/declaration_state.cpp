#include "citforms/store/declaration_state.h"
