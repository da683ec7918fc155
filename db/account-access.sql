/* SPDX-License-Identifier: GPL-3.0-or-later */
/* The program's only way to the account rows. Run by db/create-database after schema.sql,
   and by db/upgrade-database on a database made before: every statement may run again.
   The program's login may neither read nor change USERS itself. Each procedure here
   wants the derived form of the account's current secret (PASS, see
   account/Credentials.h) and does nothing for any other, so that knowing an address
   gives neither the account's record nor a way to change it. NAME is lower-cased by the
   caller. */

SET SQL DIALECT 3;

CREATE OR ALTER EXCEPTION E_EMAIL_TAKEN 'This e-mail address is used by another account';

COMMIT;

SET TERM ^ ;

/* The account row whose secret has the derived form PASS, found by ID when it is above
   zero, otherwise by NAME; no row for any other secret. */
CREATE OR ALTER PROCEDURE FIND_ACCOUNT (
    ID    INTEGER,
    NAME  VARCHAR(100),
    PASS  VARCHAR(100)
) RETURNS (
    USR_ID               INTEGER,
    USR_NAME             VARCHAR(50),
    USR_PASS             VARCHAR(100),
    USR_TYPE             INTEGER,
    USR_LOGGED           CHAR(1),
    USR_LAST_HARDWARE    VARCHAR(50),
    USR_LAST_LOGIN_DATE  TIMESTAMP,
    USR_REAL_NAME        VARCHAR(100),
    USR_PHONE            VARCHAR(50),
    USR_EMAIL            VARCHAR(254),
    USR_GSMNETWORKID     INTEGER,
    USR_BIRTHDATE        DATE,
    USR_STATUS           INTEGER
) AS
BEGIN
    IF (PASS IS NULL OR PASS = '') THEN
        EXIT;
    /* Two statements rather than one with OR, so that each uses its index. */
    IF (ID > 0) THEN
        FOR SELECT U.USR_ID, U.USR_NAME, U.USR_PASS, U.USR_TYPE, U.USR_LOGGED, U.USR_LAST_HARDWARE,
            U.USR_LAST_LOGIN_DATE, U.USR_REAL_NAME, U.USR_PHONE, U.USR_EMAIL, U.USR_GSMNETWORKID, U.USR_BIRTHDATE,
            U.USR_STATUS
            FROM USERS U WHERE U.USR_ID = :ID AND U.USR_PASS = :PASS
            INTO :USR_ID, :USR_NAME, :USR_PASS, :USR_TYPE, :USR_LOGGED, :USR_LAST_HARDWARE, :USR_LAST_LOGIN_DATE,
            :USR_REAL_NAME, :USR_PHONE, :USR_EMAIL, :USR_GSMNETWORKID, :USR_BIRTHDATE, :USR_STATUS
        DO
            SUSPEND;
    ELSE
        FOR SELECT U.USR_ID, U.USR_NAME, U.USR_PASS, U.USR_TYPE, U.USR_LOGGED, U.USR_LAST_HARDWARE,
            U.USR_LAST_LOGIN_DATE, U.USR_REAL_NAME, U.USR_PHONE, U.USR_EMAIL, U.USR_GSMNETWORKID, U.USR_BIRTHDATE,
            U.USR_STATUS
            FROM USERS U WHERE LOWER(U.USR_NAME) = :NAME AND U.USR_PASS = :PASS
            INTO :USR_ID, :USR_NAME, :USR_PASS, :USR_TYPE, :USR_LOGGED, :USR_LAST_HARDWARE, :USR_LAST_LOGIN_DATE,
            :USR_REAL_NAME, :USR_PHONE, :USR_EMAIL, :USR_GSMNETWORKID, :USR_BIRTHDATE, :USR_STATUS
        DO
            SUSPEND;
END^

/* Marks the account (ID, with its exact NAME) signed in, with the machine's hardware
   address and the server's time, or out (LOGGED 'F'). A row that does not match changes
   nothing and is no error. */
CREATE OR ALTER PROCEDURE MARK_ACCOUNT_LOGGED (
    ID        INTEGER,
    NAME      VARCHAR(50),
    PASS      VARCHAR(100),
    LOGGED    CHAR(1),
    HARDWARE  VARCHAR(50)
) AS
BEGIN
    IF (LOGGED = 'T') THEN
        UPDATE USERS SET USR_LOGGED = 'T', USR_LAST_HARDWARE = :HARDWARE, USR_LAST_LOGIN_DATE = CURRENT_TIMESTAMP
        WHERE USR_ID = :ID AND USR_NAME = :NAME AND USR_PASS = :PASS;
    ELSE
        UPDATE USERS SET USR_LOGGED = :LOGGED
        WHERE USR_ID = :ID AND USR_NAME = :NAME AND USR_PASS = :PASS;
END^

/* True ('T') when an account other than ID signs in with EMAIL or has it as its e-mail
   address, letter case and surrounding blanks ignored; asked only for the account whose
   secret PASS is (otherwise NULL), so that it tells nobody else which addresses exist. */
CREATE OR ALTER PROCEDURE IS_EMAIL_TAKEN (
    ID     INTEGER,
    PASS   VARCHAR(100),
    EMAIL  VARCHAR(254)
) RETURNS (
    TAKEN  CHAR(1)
) AS
    DECLARE ADDRESS VARCHAR(254);
BEGIN
    TAKEN = NULL;
    IF (NOT EXISTS (SELECT 1 FROM USERS WHERE USR_ID = :ID AND USR_PASS = :PASS)) THEN
        EXIT;
    TAKEN = 'F';
    ADDRESS = LOWER(TRIM(EMAIL));
    IF (ADDRESS <> '' AND EXISTS (SELECT 1 FROM USERS WHERE USR_ID <> :ID AND
            (LOWER(USR_NAME) = :ADDRESS OR LOWER(TRIM(USR_EMAIL)) = :ADDRESS))) THEN
        TAKEN = 'T';
END^

/* Writes the account's details, and NEW_PASS (a derived form) as its secret unless it is
   NULL or empty, when PASS is the derived form of its current secret; SAVED tells whether
   the row was written ('T') or the secret did not match ('F'). An address that another
   account uses is refused (E_EMAIL_TAKEN). */
CREATE OR ALTER PROCEDURE SAVE_ACCOUNT (
    ID          INTEGER,
    PASS        VARCHAR(100),
    NEW_PASS    VARCHAR(100),
    LOGGED      CHAR(1),
    REAL_NAME   VARCHAR(100),
    PHONE       VARCHAR(50),
    EMAIL       VARCHAR(254),
    BIRTHDATE   DATE,
    NETWORK_ID  INTEGER
) RETURNS (
    SAVED  CHAR(1)
) AS
    DECLARE TAKEN CHAR(1);
BEGIN
    SAVED = 'F';
    EXECUTE PROCEDURE IS_EMAIL_TAKEN(:ID, :PASS, :EMAIL) RETURNING_VALUES :TAKEN;
    IF (TAKEN IS NULL) THEN
        EXIT;
    IF (TAKEN = 'T') THEN
        EXCEPTION E_EMAIL_TAKEN;
    UPDATE USERS SET
        USR_PASS = COALESCE(NULLIF(:NEW_PASS, ''), USR_PASS), USR_LOGGED = :LOGGED, USR_REAL_NAME = :REAL_NAME,
        USR_PHONE = :PHONE, USR_EMAIL = :EMAIL, USR_BIRTHDATE = :BIRTHDATE, USR_GSMNETWORKID = :NETWORK_ID
    WHERE USR_ID = :ID AND USR_PASS = :PASS;
    IF (ROW_COUNT > 0) THEN
        SAVED = 'T';
END^

SET TERM ; ^

COMMIT;

/* A database made before these procedures let the program's login read and update USERS. */
REVOKE ALL ON USERS FROM USER TRAWLIXCLIENT;

GRANT EXECUTE ON PROCEDURE FIND_ACCOUNT TO USER TRAWLIXCLIENT;
GRANT EXECUTE ON PROCEDURE MARK_ACCOUNT_LOGGED TO USER TRAWLIXCLIENT;
GRANT EXECUTE ON PROCEDURE IS_EMAIL_TAKEN TO USER TRAWLIXCLIENT;
GRANT EXECUTE ON PROCEDURE SAVE_ACCOUNT TO USER TRAWLIXCLIENT;

GRANT SELECT ON USERS TO PROCEDURE FIND_ACCOUNT;
GRANT SELECT, UPDATE ON USERS TO PROCEDURE MARK_ACCOUNT_LOGGED;
GRANT SELECT ON USERS TO PROCEDURE IS_EMAIL_TAKEN;
GRANT SELECT, UPDATE ON USERS TO PROCEDURE SAVE_ACCOUNT;
GRANT EXECUTE ON PROCEDURE IS_EMAIL_TAKEN TO PROCEDURE SAVE_ACCOUNT;
GRANT USAGE ON EXCEPTION E_EMAIL_TAKEN TO PROCEDURE SAVE_ACCOUNT;

COMMIT;
