#pragma once
// libcurl's easy interface. The program posts its forms with curl_formadd and
// watches downloads through CURLOPT_PROGRESSFUNCTION; libcurl marks both as
// deprecated, so its deprecation warnings are switched off here, before the
// header is read.
#ifndef CURL_DISABLE_DEPRECATION
#define CURL_DISABLE_DEPRECATION
#endif
#include <curl/curl.h>
