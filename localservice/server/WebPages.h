#pragma once

class HttpSite;

// The pages a browser is sent to: the start page, the account pages under "/member/", the
// device authorisation page, news pages, their images, and the download page.
void addWebPages(HttpSite &site);
