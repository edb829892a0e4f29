// Ids of the embedded page resources (type RCDATA), shared by the resource
// script and the code that unpacks them.
#pragma once

#define TAVOLIN_RES_INDEX_HTML 1001
#define TAVOLIN_RES_STYLE_CSS 1002
#define TAVOLIN_RES_APP_JS 1003
#define TAVOLIN_RES_WEBVIEW_LOADER 1004
