// Stand-in for the platform's Win32 error codes: those the user-mode calls
// of the simulated machine report, with their published numbers.
#pragma once

#define ERROR_SUCCESS              0L
#define NO_ERROR                   0L
#define ERROR_INVALID_FUNCTION     1L
#define ERROR_FILE_NOT_FOUND       2L
#define ERROR_PATH_NOT_FOUND       3L
#define ERROR_ACCESS_DENIED        5L
#define ERROR_INVALID_HANDLE       6L
#define ERROR_NOT_ENOUGH_MEMORY    8L
#define ERROR_NOT_READY            21L
#define ERROR_BAD_COMMAND          22L
#define ERROR_GEN_FAILURE          31L
#define ERROR_NOT_SUPPORTED        50L
#define ERROR_DEV_NOT_EXIST        55L
#define ERROR_INVALID_PARAMETER    87L
#define ERROR_INSUFFICIENT_BUFFER  122L
#define ERROR_INVALID_NAME         123L
#define ERROR_BUSY                 170L
#define ERROR_MORE_DATA            234L
#define ERROR_MR_MID_NOT_FOUND     317L
#define ERROR_OPERATION_ABORTED    995L
#define ERROR_IO_INCOMPLETE        996L
#define ERROR_IO_PENDING           997L
#define ERROR_NOACCESS             998L
#define ERROR_NOT_FOUND            1168L
#define ERROR_NO_MATCH             1169L
#define ERROR_SET_NOT_FOUND        1170L
#define ERROR_NO_SYSTEM_RESOURCES  1450L
#define ERROR_TIMEOUT              1460L
#define ERROR_INVALID_USER_BUFFER  1784L
