// Identifiers shared by the resource script and the code.
#pragma once

#define IDD_JRE_NOT_FOUND 201
#define IDD_JAVA_EXCEPTION 202

// Missing-runtime dialog controls.
#define IDC_JRE_PATH 201
#define IDC_BROWSE 202
#define IDC_MESSAGE 203
#define IDC_ERROR_ICON 204
#define IDC_LINK 205
#define IDC_INSTRUCTION 206

// Java exception dialog controls.
#define IDC_STACK_TRACE 208
#define IDC_EXCEPTION_GROUP 209
#define IDC_EXCEPTION_TEXT 210
#define IDC_EXCEPTION_HINT 211
#define IDC_EXCEPTION_WARNING 212

#define IDI_APP 1
#define QX_VERSION_NUMBERS 1, 0, 0, 0
#define QX_VERSION_TEXT "1.0.0.0"
