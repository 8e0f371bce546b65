#pragma once

// The URL loading system in one include.
#include "Platform/URLLoading/HTTPURLResponse.h"
#include "Platform/URLLoading/InputStream.h"
#include "Platform/URLLoading/TaskNotifications.h"
#include "Platform/URLLoading/URLAuthenticationChallenge.h"
#include "Platform/URLLoading/URLCredential.h"
#include "Platform/URLLoading/URLError.h"
#include "Platform/URLLoading/URLProtectionSpace.h"
#include "Platform/URLLoading/URLRequest.h"
#include "Platform/URLLoading/URLResponse.h"
#include "Platform/URLLoading/URLSession.h"
#include "Platform/URLLoading/URLSessionConfiguration.h"
#include "Platform/URLLoading/URLSessionDataTask.h"
#include "Platform/URLLoading/URLSessionDelegate.h"
#include "Platform/URLLoading/URLSessionDownloadTask.h"
#include "Platform/URLLoading/URLSessionTask.h"
