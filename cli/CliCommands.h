#pragma once

class CliSession;

// The commands of halvik-cli, one function each; every one returns the exit code.
int cmdLogin(CliSession &s);
int cmdLogout(CliSession &s);
int cmdWhoami(CliSession &s);
int cmdVersion(CliSession &s);
int cmdRegister(CliSession &s);
int cmdDeviceId(CliSession &s);
int cmdScramble(CliSession &s);
int cmdUnscramble(CliSession &s);

int cmdDomains(CliSession &s);
int cmdDomainAdd(CliSession &s);
int cmdDomainChange(CliSession &s); // pause, start, lock, unlock, delete
int cmdDomainMove(CliSession &s);
int cmdGroups(CliSession &s);
int cmdGroupAdd(CliSession &s);
int cmdGroupEdit(CliSession &s);
int cmdGroupDelete(CliSession &s);

int cmdRecords(CliSession &s);
int cmdRecordAdd(CliSession &s);
int cmdRecordEdit(CliSession &s);
int cmdRecordChange(CliSession &s); // pause, start, delete
int cmdLines(CliSession &s);

int cmdBatch(CliSession &s); // add, edit, delete
int cmdJobs(CliSession &s);
int cmdJobShow(CliSession &s);
int cmdUndo(CliSession &s);
int cmdCheck(CliSession &s);
int cmdJobCheck(CliSession &s);
int cmdSearch(CliSession &s);
int cmdSync(CliSession &s);
int cmdZoneExport(CliSession &s);
int cmdZoneImport(CliSession &s);

// DNS-01 challenges for ACME clients: lego's exec provider and certbot's manual hooks.
int cmdAcmePresent(CliSession &s); // present, certbot-auth
int cmdAcmeCleanup(CliSession &s); // cleanup, certbot-cleanup

int cmdMessages(CliSession &s); // news, notices, inform
int cmdMessageRead(CliSession &s);
int cmdMessageShow(CliSession &s);
