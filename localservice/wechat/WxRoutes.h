#pragma once

class HttpSite;

// The WeChat side on the service's own listener: the QR-connect page, its QR image, the long
// poll, and the simulated phone's scan, confirm and cancel, and letting the code expire
// ("/connect/sim/...").
void addWxRoutes(HttpSite &site);
