/*
** asi_handle.cpp: the engine handle base.
*/
#include "sqlclient/asi_handle.h"

/* The diagnostics area goes with the handle. */
CAsiHandle::~CAsiHandle() {}
