// The page half of the script bridge. The native side evaluates this text when the page asks for
// the bridge; it defines window.WebScriptBridge once per document. Messages are JSON objects:
// calls {handlerName, data, callbackId?}, answers {responseId, responseData}. The page signals
// that it has queued messages by loading the queue-message address in a hidden iframe; the native
// side cancels that load and fetches the whole queue with _fetchQueue(). One signal stands for
// the whole queue: messages queued while a signal awaits its fetch travel with it.
// (No 'use strict': deleting a WSBCallbacks that the page declared with var would throw.)
(function () {
    if (window.WebScriptBridge) {
        return;
    }

    if (!window.onerror) {
        window.onerror = function (message, url, line) {
            console.log('WebScriptBridge: ERROR:' + message + '@' + url + ':' + line);
        };
    }

    var queueMessageAddress = 'https' + '://' + '__wsb_queue_message__';
    // The engine drops a frame's navigations beyond about 200 in 10 seconds, and a dropped signal
    // would leave the queue waiting for good: a signal frame serves a limited number of signals,
    // then a fresh frame takes its place.
    var signalsPerFrame = 100;
    var signalFrame = null;
    var signalsOnFrame = 0;
    var sendQueue = [];
    var signalAwaitsFetch = false;
    var messageHandlers = Object.create(null);
    var responseCallbacks = Object.create(null);
    var nextCallbackNumber = 1;
    // While true, a native message is handled from a zero-delay timer, so that a handler opening a
    // modal box does not block the native side's evaluation.
    var dispatchMessagesWithTimeoutSafety = true;

    function registerHandler(handlerName, handler) {
        messageHandlers[handlerName] = handler;
    }

    function callHandler(handlerName, data, responseCallback) {
        if (arguments.length === 2 && typeof data === 'function') {
            responseCallback = data;
            data = null;
        }
        doSend({ handlerName: handlerName, data: data }, responseCallback);
    }

    function disableJavscriptAlertBoxSafetyTimeout() {
        dispatchMessagesWithTimeoutSafety = false;
    }

    function doSend(message, responseCallback) {
        if (responseCallback) {
            var callbackId = 'cb_' + nextCallbackNumber + '_' + Date.now();
            nextCallbackNumber += 1;
            responseCallbacks[callbackId] = responseCallback;
            message.callbackId = callbackId;
        }
        sendQueue.push(message);
        if (!signalAwaitsFetch) {
            signalAwaitsFetch = true;
            signal();
        }
    }

    function signal() {
        if (signalsOnFrame < signalsPerFrame) {
            signalsOnFrame += 1;
            signalFrame.src = queueMessageAddress;
            return;
        }
        if (signalFrame.parentNode) {
            signalFrame.parentNode.removeChild(signalFrame);
        }
        addSignalFrame();
    }

    // A hidden frame whose first navigation is a signal.
    function addSignalFrame() {
        signalFrame = document.createElement('iframe');
        signalFrame.style.display = 'none';
        signalFrame.src = queueMessageAddress;
        signalsOnFrame = 1;
        document.documentElement.appendChild(signalFrame);
    }

    function fetchQueue() {
        var text = JSON.stringify(sendQueue);
        sendQueue = [];
        signalAwaitsFetch = false;
        return text;
    }

    function handleMessageFromNative(messageJSON) {
        if (dispatchMessagesWithTimeoutSafety) {
            setTimeout(function () {
                dispatchFromNative(messageJSON);
            }, 0);
        } else {
            // Several messages may arrive in one evaluation: a failing handler must not stop
            // the ones after it. Its error still reaches window.onerror.
            try {
                dispatchFromNative(messageJSON);
            } catch (error) {
                setTimeout(function () {
                    throw error;
                }, 0);
            }
        }
    }

    function dispatchFromNative(messageJSON) {
        var message = JSON.parse(messageJSON);
        if (message.responseId !== undefined) {
            var callback = responseCallbacks[message.responseId];
            if (!callback) {
                return;
            }
            delete responseCallbacks[message.responseId];
            callback(message.responseData);
            return;
        }
        var respond;
        if (message.callbackId !== undefined) {
            var answerTo = message.callbackId;
            respond = function (responseData) {
                doSend({ handlerName: message.handlerName, responseId: answerTo, responseData: responseData });
            };
        }
        var handler = messageHandlers[message.handlerName];
        if (!handler) {
            console.log('WebScriptBridge: WARNING: no handler for message from ObjC:', message);
            return;
        }
        handler(message.data, respond);
    }

    var bridge = {
        registerHandler: registerHandler,
        callHandler: callHandler,
        disableJavscriptAlertBoxSafetyTimeout: disableJavscriptAlertBoxSafetyTimeout,
        _fetchQueue: fetchQueue,
        _handleMessageFromObjC: handleMessageFromNative
    };
    window.WebScriptBridge = bridge;

    addSignalFrame();

    registerHandler('_disableJavascriptAlertBoxSafetyTimeout', disableJavscriptAlertBoxSafetyTimeout);

    // Start the functions that the page queued while it waited for the bridge. A page that queued
    // none (no list at all) has nothing to start.
    setTimeout(function () {
        var waiting = window.WSBCallbacks;
        delete window.WSBCallbacks;
        if (!waiting || typeof waiting.length !== 'number') {
            return;
        }
        for (var i = 0; i < waiting.length; i++) {
            waiting[i](bridge);
        }
    }, 0);
})();
