#include "operation_stubs.h"

OperationStubs operationStubs;
