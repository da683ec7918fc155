/* SPDX-License-Identifier: GPL-3.0-or-later */
/* The account database: accounts, program properties, mobile carrier networks and the
   remote copy of every saved search. Run by db/create-database right after CREATE DATABASE
   (connection character set UTF8, connected as TRAWLIXCLIENT, who then owns every object),
   followed by db/account-access.sql. */

SET SQL DIALECT 3;

/* ---- Carrier networks: an SMS is a mail to <phone>@<gateway> ---- */

/* GSM_DISCONTINUED 'T': the carrier has shut its gateway down; the row stays because
   accounts may still refer to it, and the account dialog shows it as discontinued. */
CREATE TABLE GSM_NETWORKS (
    GSM_ID            INTEGER NOT NULL PRIMARY KEY,
    GSM_NAME          VARCHAR(50) NOT NULL,
    GSM_GATEWAY       VARCHAR(100) NOT NULL,
    GSM_DISCONTINUED  CHAR(1) DEFAULT 'F' NOT NULL
);

/* ---- Accounts ---- */

CREATE SEQUENCE GEN_USERS;

/* USR_NAME is the e-mail address the account signs in with. It is at most 50 characters,
   the length the program keeps, so that the record's name always names the row.
   USR_PASS holds only the derived form of the login key or password (never the secret):
   "argon2id$" and the hex of Argon2id(secret, salt from the lower-cased name), computed by
   the program. NULL means that no secret has been set yet and matches nothing.
   USR_NEW_PASS holds, in the same form, a login key issued while the account already had a
   secret: typing someone else's address must not lock them out, so the earlier secret
   stays valid until the new key is first used to sign in (USE_NEW_LOGIN_KEY), and the new
   key is void after USR_NEW_PASS_UNTIL. */
CREATE TABLE USERS (
    USR_ID               INTEGER NOT NULL PRIMARY KEY,
    USR_NAME             VARCHAR(50) NOT NULL,
    USR_PASS             VARCHAR(100),
    USR_TYPE             INTEGER DEFAULT 1 NOT NULL,
    USR_LOGGED           CHAR(1) DEFAULT 'F',
    USR_LAST_HARDWARE    VARCHAR(50),
    USR_LAST_LOGIN_DATE  TIMESTAMP,
    USR_REAL_NAME        VARCHAR(100),
    USR_PHONE            VARCHAR(50),
    USR_EMAIL            VARCHAR(254),
    USR_GSMNETWORKID     INTEGER REFERENCES GSM_NETWORKS (GSM_ID) ON DELETE SET NULL,
    USR_BIRTHDATE        DATE,
    USR_STATUS           INTEGER DEFAULT 0 NOT NULL,
    USR_NEW_PASS         VARCHAR(100),
    USR_NEW_PASS_UNTIL   TIMESTAMP
);

/* One account per address, whatever its letter case. */
CREATE UNIQUE INDEX USERS_NAME_LOWER ON USERS COMPUTED BY (LOWER(USR_NAME));

/* When login keys were requested for an account within the last hour (older rows are
   dropped by the next request): at most five an hour, so that nobody can flood an
   address with mails. */
CREATE TABLE LOGIN_KEY_REQUESTS (
    USR_ID        INTEGER NOT NULL REFERENCES USERS (USR_ID) ON DELETE CASCADE,
    REQUESTED_AT  TIMESTAMP NOT NULL
);

CREATE INDEX LOGIN_KEY_REQUESTS_USER ON LOGIN_KEY_REQUESTS (USR_ID);

/* Login keys asked for through a database server, waiting for the key service
   (tools/keyservice), which runs beside the server with a login of its own: it issues the
   key, stores only its derived form and mails the key to the address. The program may only
   add requests (REQUEST_LOGIN_KEY) and cannot read them, so no copy of the program ever
   sees a key issued this way. */
CREATE SEQUENCE GEN_LOGIN_KEY_MAILS;

CREATE TABLE LOGIN_KEY_MAILS (
    MAIL_ID       INTEGER NOT NULL PRIMARY KEY,
    MAIL_NAME     VARCHAR(100),
    MAIL_EMAIL    VARCHAR(254) NOT NULL,
    REQUESTED_AT  TIMESTAMP NOT NULL
);

/* ---- Program properties ---- */

CREATE TABLE PROPERTIES (
    PROP_NAME   VARCHAR(50) NOT NULL PRIMARY KEY,
    PROP_VALUE  VARCHAR(1000)
);

/* ---- Remote copy of the searches ---- */

CREATE SEQUENCE GEN_SEARCHES;

CREATE TABLE SEARCHES (
    SRCH_ID              INTEGER NOT NULL PRIMARY KEY,
    USR_ID               INTEGER NOT NULL REFERENCES USERS (USR_ID) ON DELETE CASCADE,
    FLD_ID               INTEGER,
    SRCH_NAME            VARCHAR(50) NOT NULL,
    CAT_ID               INTEGER NOT NULL,
    POS_KEYWORDS         VARCHAR(1000),
    NEG_KEYWORDS         VARCHAR(1000),
    ONLY_TITLES          CHAR(1) NOT NULL,
    HAS_IMAGE            CHAR(1) NOT NULL,
    FILTER_KEYWORDS      VARCHAR(1000),
    FILTER_OR            CHAR(1) NOT NULL,
    FILTER_DAYS          INTEGER NOT NULL,
    ADD_MIN              DOUBLE PRECISION,
    ADD_MAX              DOUBLE PRECISION,
    ADD_BATHS            INTEGER,
    ADD_CHECK1           CHAR(1),
    ADD_CHECK2           CHAR(1),
    ADD_CHECK3           CHAR(1),
    ADD_CHECK4           CHAR(1),
    ADD_CHECK5           CHAR(1),
    NOTIFY               CHAR(1) NOT NULL,
    NOTIFY_EMAIL         CHAR(1) NOT NULL,
    NOTIFY_EMAIL_DIGEST  CHAR(1) NOT NULL,
    ADV1                 VARCHAR(1000),
    ADV2                 VARCHAR(1000),
    ADV3                 VARCHAR(1000),
    ADV4                 VARCHAR(1000),
    ADV5                 VARCHAR(1000),
    ADV6                 VARCHAR(1000)
);

CREATE INDEX SEARCHES_USER ON SEARCHES (USR_ID);

CREATE SEQUENCE GEN_SEARCH_LOCATIONS;

/* The program inserts NULL as the row id; the trigger below fills it. */
CREATE TABLE SEARCH_LOCATIONS (
    SL_ID             INTEGER NOT NULL PRIMARY KEY,
    SRCH_ID           INTEGER NOT NULL REFERENCES SEARCHES (SRCH_ID) ON DELETE CASCADE,
    SRCH_LOCATION_ID  INTEGER NOT NULL
);

CREATE EXCEPTION E_BAD_ACCOUNT_NAME 'The e-mail address must hold 1 to 50 characters';
CREATE EXCEPTION E_NO_SUCH_SEARCH 'No search has this id';
CREATE EXCEPTION E_TOO_MANY_LOGIN_KEYS 'Five login keys were asked for this address within the last hour; please try again later';

COMMIT;

SET TERM ^ ;

CREATE TRIGGER SEARCH_LOCATIONS_ID FOR SEARCH_LOCATIONS ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
    IF (NEW.SL_ID IS NULL) THEN
        NEW.SL_ID = NEXT VALUE FOR GEN_SEARCH_LOCATIONS;
END^

/* A new secret (a password, or a new login key used for the first time) makes a waiting
   login key void. */
CREATE TRIGGER USERS_NEW_SECRET FOR USERS ACTIVE BEFORE UPDATE POSITION 0 AS
BEGIN
    IF (NEW.USR_PASS IS DISTINCT FROM OLD.USR_PASS) THEN
    BEGIN
        NEW.USR_NEW_PASS = NULL;
        NEW.USR_NEW_PASS_UNTIL = NULL;
    END
END^

/* Registers an address (or finds its account) and issues a new login key for it, at most
   five an hour per address (E_TOO_MANY_LOGIN_KEYS).
   The key comes from the engine's random generator (two version-4 UUIDs, 96 random bits)
   and is only returned, never stored: the caller stores its derived form with
   STORE_LOGIN_KEY in the same transaction, so neither the key nor a half-made account is
   ever committed. */
CREATE PROCEDURE INSERT_TEMP_USER (
    NAME   VARCHAR(100),
    EMAIL  VARCHAR(254)
) RETURNS (
    NEW_ID     INTEGER,
    LOGIN_KEY  VARCHAR(24)
) AS
    DECLARE U1 CHAR(32);
    DECLARE U2 CHAR(32);
BEGIN
    IF (EMAIL IS NULL OR CHAR_LENGTH(EMAIL) = 0 OR CHAR_LENGTH(EMAIL) > 50) THEN
        EXCEPTION E_BAD_ACCOUNT_NAME;
    SELECT USR_ID FROM USERS WHERE LOWER(USR_NAME) = LOWER(:EMAIL) INTO :NEW_ID;
    IF (NEW_ID IS NULL) THEN
    BEGIN
        NEW_ID = NEXT VALUE FOR GEN_USERS;
        INSERT INTO USERS (USR_ID, USR_NAME, USR_PASS, USR_TYPE, USR_LOGGED, USR_REAL_NAME, USR_EMAIL, USR_STATUS)
        VALUES (:NEW_ID, :EMAIL, NULL, 1, 'F', :NAME, :EMAIL, 0);
    END
    /* The row lock makes simultaneous requests for one address count one after the other. */
    SELECT USR_ID FROM USERS WHERE USR_ID = :NEW_ID WITH LOCK INTO :NEW_ID;
    DELETE FROM LOGIN_KEY_REQUESTS
    WHERE USR_ID = :NEW_ID AND REQUESTED_AT <= DATEADD(-1 HOUR TO CURRENT_TIMESTAMP);
    IF ((SELECT COUNT(*) FROM LOGIN_KEY_REQUESTS WHERE USR_ID = :NEW_ID) >= 5) THEN
        EXCEPTION E_TOO_MANY_LOGIN_KEYS;
    INSERT INTO LOGIN_KEY_REQUESTS (USR_ID, REQUESTED_AT) VALUES (:NEW_ID, CURRENT_TIMESTAMP);
    /* The first twelve hex digits of a version-4 UUID are all random. */
    U1 = REPLACE(UUID_TO_CHAR(GEN_UUID()), '-', '');
    U2 = REPLACE(UUID_TO_CHAR(GEN_UUID()), '-', '');
    LOGIN_KEY = SUBSTRING(U1 FROM 1 FOR 12) || SUBSTRING(U2 FROM 1 FOR 12);
END^

/* Asks the key service for a login key for an address; the key goes to the address only.
   At most five requests of one address wait at a time (E_TOO_MANY_LOGIN_KEYS); the
   service applies INSERT_TEMP_USER's hourly limit when it handles them. */
CREATE PROCEDURE REQUEST_LOGIN_KEY (
    NAME   VARCHAR(100),
    EMAIL  VARCHAR(254)
) AS
BEGIN
    IF (EMAIL IS NULL OR CHAR_LENGTH(EMAIL) = 0 OR CHAR_LENGTH(EMAIL) > 50) THEN
        EXCEPTION E_BAD_ACCOUNT_NAME;
    IF ((SELECT COUNT(*) FROM LOGIN_KEY_MAILS WHERE LOWER(MAIL_EMAIL) = LOWER(:EMAIL)) >= 5) THEN
        EXCEPTION E_TOO_MANY_LOGIN_KEYS;
    INSERT INTO LOGIN_KEY_MAILS (MAIL_ID, MAIL_NAME, MAIL_EMAIL, REQUESTED_AT)
    VALUES (NEXT VALUE FOR GEN_LOGIN_KEY_MAILS, :NAME, :EMAIL, CURRENT_TIMESTAMP);
    POST_EVENT 'TRAWLIX_LOGIN_KEY_REQUESTED';
END^

/* Stores the derived form of a key just issued by INSERT_TEMP_USER: as the secret of an
   account that has none yet, otherwise as its new key, valid for 24 hours and replacing a
   new key not used so far. */
CREATE PROCEDURE STORE_LOGIN_KEY (
    ID    INTEGER,
    PASS  VARCHAR(100)
) AS
BEGIN
    UPDATE USERS SET USR_PASS = :PASS WHERE USR_ID = :ID AND USR_PASS IS NULL;
    IF (ROW_COUNT = 0) THEN
        UPDATE USERS SET USR_NEW_PASS = :PASS, USR_NEW_PASS_UNTIL = DATEADD(24 HOUR TO CURRENT_TIMESTAMP)
        WHERE USR_ID = :ID;
END^

/* The first sign-in with an account's new login key (NAME lower-cased, PASS its derived
   form) makes it the account's secret; the earlier secret stops working. Nothing happens
   for any other key or once the new key has expired. */
CREATE PROCEDURE USE_NEW_LOGIN_KEY (
    NAME  VARCHAR(100),
    PASS  VARCHAR(100)
) AS
BEGIN
    UPDATE USERS SET USR_PASS = USR_NEW_PASS
    WHERE LOWER(USR_NAME) = :NAME AND USR_NEW_PASS = :PASS AND USR_NEW_PASS_UNTIL > CURRENT_TIMESTAMP;
END^

CREATE PROCEDURE INSERT_SEARCH (
    USR_ID               INTEGER,
    FLD_ID               INTEGER,
    NAME                 VARCHAR(50),
    CAT_ID               INTEGER,
    POS_KEYWORDS         VARCHAR(1000),
    NEG_KEYWORDS         VARCHAR(1000),
    ONLY_TITLES          CHAR(1),
    HAS_IMAGE            CHAR(1),
    FILTER_KEYWORDS      VARCHAR(1000),
    FILTER_OR            CHAR(1),
    FILTER_DAYS          INTEGER,
    ADD_MIN              DOUBLE PRECISION,
    ADD_MAX              DOUBLE PRECISION,
    ADD_BATHS            INTEGER,
    ADD_CHECK1           CHAR(1),
    ADD_CHECK2           CHAR(1),
    ADD_CHECK3           CHAR(1),
    ADD_CHECK4           CHAR(1),
    ADD_CHECK5           CHAR(1),
    NOTIFY               CHAR(1),
    NOTIFY_EMAIL         CHAR(1),
    NOTIFY_EMAIL_DIGEST  CHAR(1),
    ADV1                 VARCHAR(1000),
    ADV2                 VARCHAR(1000),
    ADV3                 VARCHAR(1000),
    ADV4                 VARCHAR(1000),
    ADV5                 VARCHAR(1000),
    ADV6                 VARCHAR(1000)
) RETURNS (
    NEW_ID  INTEGER
) AS
BEGIN
    NEW_ID = NEXT VALUE FOR GEN_SEARCHES;
    INSERT INTO SEARCHES (SRCH_ID, USR_ID, FLD_ID, SRCH_NAME, CAT_ID, POS_KEYWORDS, NEG_KEYWORDS, ONLY_TITLES,
        HAS_IMAGE, FILTER_KEYWORDS, FILTER_OR, FILTER_DAYS, ADD_MIN, ADD_MAX, ADD_BATHS, ADD_CHECK1, ADD_CHECK2,
        ADD_CHECK3, ADD_CHECK4, ADD_CHECK5, NOTIFY, NOTIFY_EMAIL, NOTIFY_EMAIL_DIGEST, ADV1, ADV2, ADV3, ADV4, ADV5,
        ADV6)
    VALUES (:NEW_ID, :USR_ID, :FLD_ID, :NAME, :CAT_ID, :POS_KEYWORDS, :NEG_KEYWORDS, :ONLY_TITLES,
        :HAS_IMAGE, :FILTER_KEYWORDS, :FILTER_OR, :FILTER_DAYS, :ADD_MIN, :ADD_MAX, :ADD_BATHS, :ADD_CHECK1,
        :ADD_CHECK2, :ADD_CHECK3, :ADD_CHECK4, :ADD_CHECK5, :NOTIFY, :NOTIFY_EMAIL, :NOTIFY_EMAIL_DIGEST, :ADV1,
        :ADV2, :ADV3, :ADV4, :ADV5, :ADV6);
END^

/* Updates a search row; with DELETE_LOCATIONS 'T' also drops its location rows, which the
   program then writes anew in the same transaction. An unknown id is an error, so that a
   search removed meanwhile is not reported as saved. */
CREATE PROCEDURE UPDATE_SEARCH_DELETE_LOCATIONS (
    ID                   INTEGER,
    FLD_ID               INTEGER,
    NAME                 VARCHAR(50),
    CATEGORY_ID          INTEGER,
    POSITIVE_KEYWORDS    VARCHAR(1000),
    NEGATIVE_KEYWORDS    VARCHAR(1000),
    ONLY_TITLES          CHAR(1),
    HAS_IMAGE            CHAR(1),
    FILTER_KEYWORDS      VARCHAR(1000),
    FILTER_OR            CHAR(1),
    FILTER_DAYS          INTEGER,
    ADD_MIN              DOUBLE PRECISION,
    ADD_MAX              DOUBLE PRECISION,
    ADD_BATHS            INTEGER,
    ADD_CHECK1           CHAR(1),
    ADD_CHECK2           CHAR(1),
    ADD_CHECK3           CHAR(1),
    ADD_CHECK4           CHAR(1),
    ADD_CHECK5           CHAR(1),
    NOTIFY               CHAR(1),
    NOTIFY_EMAIL         CHAR(1),
    NOTIFY_EMAIL_DIGEST  CHAR(1),
    DELETE_LOCATIONS     CHAR(1),
    ADV1                 VARCHAR(1000),
    ADV2                 VARCHAR(1000),
    ADV3                 VARCHAR(1000),
    ADV4                 VARCHAR(1000),
    ADV5                 VARCHAR(1000),
    ADV6                 VARCHAR(1000)
) AS
BEGIN
    UPDATE SEARCHES SET
        FLD_ID = :FLD_ID, SRCH_NAME = :NAME, CAT_ID = :CATEGORY_ID,
        POS_KEYWORDS = :POSITIVE_KEYWORDS, NEG_KEYWORDS = :NEGATIVE_KEYWORDS, ONLY_TITLES = :ONLY_TITLES,
        HAS_IMAGE = :HAS_IMAGE, FILTER_KEYWORDS = :FILTER_KEYWORDS, FILTER_OR = :FILTER_OR,
        FILTER_DAYS = :FILTER_DAYS, ADD_MIN = :ADD_MIN, ADD_MAX = :ADD_MAX, ADD_BATHS = :ADD_BATHS,
        ADD_CHECK1 = :ADD_CHECK1, ADD_CHECK2 = :ADD_CHECK2, ADD_CHECK3 = :ADD_CHECK3, ADD_CHECK4 = :ADD_CHECK4,
        ADD_CHECK5 = :ADD_CHECK5, NOTIFY = :NOTIFY, NOTIFY_EMAIL = :NOTIFY_EMAIL,
        NOTIFY_EMAIL_DIGEST = :NOTIFY_EMAIL_DIGEST, ADV1 = :ADV1, ADV2 = :ADV2, ADV3 = :ADV3, ADV4 = :ADV4,
        ADV5 = :ADV5, ADV6 = :ADV6
    WHERE SRCH_ID = :ID;
    IF (ROW_COUNT = 0) THEN
        EXCEPTION E_NO_SUCH_SEARCH;
    IF (DELETE_LOCATIONS = 'T') THEN
        DELETE FROM SEARCH_LOCATIONS WHERE SRCH_ID = :ID;
END^

CREATE PROCEDURE DELETE_SEARCH (
    SRCH_ID  INTEGER
) AS
BEGIN
    DELETE FROM SEARCH_LOCATIONS WHERE SRCH_ID = :SRCH_ID;
    DELETE FROM SEARCHES WHERE SRCH_ID = :SRCH_ID;
END^

SET TERM ; ^

COMMIT;

/* ---- Rights ----
   On a server the database belongs to a login of its own (TRAWLIXOWNER, see
   db/server-start). Every copy of the program signs in with the one shared login
   TRAWLIXCLIENT, which gets exactly what the program's statements need and nothing else:
   no DDL, no key issuing, no login-key requests to read, and no statement of its own on
   USERS: the account rows are reached only through the procedures of
   db/account-access.sql, which want the account's secret. The key service signs in as
   TRAWLIXKEYS. Embedded, the local user's file belongs to TRAWLIXCLIENT itself, and these
   grants change nothing. The procedures and triggers get the rights their bodies use,
   because a caller's own rights do not reach tables it may not touch. */
GRANT SELECT ON GSM_NETWORKS TO USER TRAWLIXCLIENT;
GRANT SELECT ON PROPERTIES TO USER TRAWLIXCLIENT;
GRANT SELECT, INSERT ON SEARCH_LOCATIONS TO USER TRAWLIXCLIENT;
GRANT EXECUTE ON PROCEDURE INSERT_SEARCH TO USER TRAWLIXCLIENT;
GRANT EXECUTE ON PROCEDURE UPDATE_SEARCH_DELETE_LOCATIONS TO USER TRAWLIXCLIENT;
GRANT EXECUTE ON PROCEDURE DELETE_SEARCH TO USER TRAWLIXCLIENT;
GRANT EXECUTE ON PROCEDURE USE_NEW_LOGIN_KEY TO USER TRAWLIXCLIENT;
GRANT EXECUTE ON PROCEDURE REQUEST_LOGIN_KEY TO USER TRAWLIXCLIENT;

GRANT EXECUTE ON PROCEDURE INSERT_TEMP_USER TO USER TRAWLIXKEYS;
GRANT EXECUTE ON PROCEDURE STORE_LOGIN_KEY TO USER TRAWLIXKEYS;
GRANT SELECT, UPDATE, DELETE ON LOGIN_KEY_MAILS TO USER TRAWLIXKEYS; /* UPDATE for SELECT ... WITH LOCK */

GRANT USAGE ON SEQUENCE GEN_SEARCH_LOCATIONS TO TRIGGER SEARCH_LOCATIONS_ID;
GRANT USAGE ON SEQUENCE GEN_SEARCHES TO PROCEDURE INSERT_SEARCH;
GRANT INSERT ON SEARCHES TO PROCEDURE INSERT_SEARCH;
GRANT SELECT, UPDATE ON SEARCHES TO PROCEDURE UPDATE_SEARCH_DELETE_LOCATIONS;
GRANT SELECT, DELETE ON SEARCH_LOCATIONS TO PROCEDURE UPDATE_SEARCH_DELETE_LOCATIONS;
GRANT SELECT, DELETE ON SEARCHES TO PROCEDURE DELETE_SEARCH;
GRANT SELECT, DELETE ON SEARCH_LOCATIONS TO PROCEDURE DELETE_SEARCH;
GRANT SELECT, UPDATE ON USERS TO PROCEDURE USE_NEW_LOGIN_KEY;
GRANT USAGE ON SEQUENCE GEN_USERS TO PROCEDURE INSERT_TEMP_USER;
GRANT SELECT, INSERT, UPDATE ON USERS TO PROCEDURE INSERT_TEMP_USER;
GRANT SELECT, INSERT, DELETE ON LOGIN_KEY_REQUESTS TO PROCEDURE INSERT_TEMP_USER;
GRANT SELECT, UPDATE ON USERS TO PROCEDURE STORE_LOGIN_KEY;
GRANT USAGE ON SEQUENCE GEN_LOGIN_KEY_MAILS TO PROCEDURE REQUEST_LOGIN_KEY;
GRANT SELECT, INSERT ON LOGIN_KEY_MAILS TO PROCEDURE REQUEST_LOGIN_KEY;
GRANT USAGE ON EXCEPTION E_BAD_ACCOUNT_NAME TO PROCEDURE REQUEST_LOGIN_KEY;
GRANT USAGE ON EXCEPTION E_TOO_MANY_LOGIN_KEYS TO PROCEDURE REQUEST_LOGIN_KEY;
GRANT USAGE ON EXCEPTION E_BAD_ACCOUNT_NAME TO PROCEDURE INSERT_TEMP_USER;
GRANT USAGE ON EXCEPTION E_TOO_MANY_LOGIN_KEYS TO PROCEDURE INSERT_TEMP_USER;
GRANT USAGE ON EXCEPTION E_NO_SUCH_SEARCH TO PROCEDURE UPDATE_SEARCH_DELETE_LOCATIONS;

COMMIT;

/* ---- Seed data ---- */

/* The published version and its installer. Update these rows when a new installer is
   put on the maker's server; the program follows only https links to it, and accepts the
   file only at exactly TRAWLIX_VERSION_SIZE bytes and, when a row TRAWLIX_VERSION_SHA256
   (64 lower-case hex digits) exists, only with that SHA-256. */
INSERT INTO PROPERTIES (PROP_NAME, PROP_VALUE) VALUES ('TRAWLIX_VERSION', '3.33');
INSERT INTO PROPERTIES (PROP_NAME, PROP_VALUE) VALUES ('TRAWLIX_VERSION_URL', 'https://www.corvane.com/trawlix/setup.exe');
INSERT INTO PROPERTIES (PROP_NAME, PROP_VALUE) VALUES ('TRAWLIX_VERSION_SIZE', '2871296');

/* E-mail-to-SMS gateways of real carriers. Carriers have been closing these gateways;
   the rows of the ones known to be shut down are kept (accounts may still refer to them)
   and marked discontinued. */
INSERT INTO GSM_NETWORKS (GSM_ID, GSM_NAME, GSM_GATEWAY, GSM_DISCONTINUED) VALUES (1, 'AT&T (US)', 'txt.att.net', 'T');                  /* discontinued by AT&T in June 2025 */
INSERT INTO GSM_NETWORKS (GSM_ID, GSM_NAME, GSM_GATEWAY, GSM_DISCONTINUED) VALUES (2, 'Verizon Wireless (US)', 'vtext.com', 'F');
INSERT INTO GSM_NETWORKS (GSM_ID, GSM_NAME, GSM_GATEWAY, GSM_DISCONTINUED) VALUES (3, 'T-Mobile (US)', 'tmomail.net', 'F');
INSERT INTO GSM_NETWORKS (GSM_ID, GSM_NAME, GSM_GATEWAY, GSM_DISCONTINUED) VALUES (4, 'Sprint (US)', 'messaging.sprintpcs.com', 'T');    /* discontinued: Sprint merged into T-Mobile */
INSERT INTO GSM_NETWORKS (GSM_ID, GSM_NAME, GSM_GATEWAY, GSM_DISCONTINUED) VALUES (5, 'U.S. Cellular (US)', 'email.uscc.net', 'F');
INSERT INTO GSM_NETWORKS (GSM_ID, GSM_NAME, GSM_GATEWAY, GSM_DISCONTINUED) VALUES (6, 'Metro by T-Mobile (US)', 'mymetropcs.com', 'F');
INSERT INTO GSM_NETWORKS (GSM_ID, GSM_NAME, GSM_GATEWAY, GSM_DISCONTINUED) VALUES (7, 'Boost Mobile (US)', 'sms.myboostmobile.com', 'F');
INSERT INTO GSM_NETWORKS (GSM_ID, GSM_NAME, GSM_GATEWAY, GSM_DISCONTINUED) VALUES (8, 'Cricket Wireless (US)', 'sms.cricketwireless.net', 'F');
INSERT INTO GSM_NETWORKS (GSM_ID, GSM_NAME, GSM_GATEWAY, GSM_DISCONTINUED) VALUES (9, 'Google Fi (US)', 'msg.fi.google.com', 'F');
INSERT INTO GSM_NETWORKS (GSM_ID, GSM_NAME, GSM_GATEWAY, GSM_DISCONTINUED) VALUES (10, 'Virgin Mobile (US)', 'vmobl.com', 'T');          /* discontinued: the brand closed in 2020 */
INSERT INTO GSM_NETWORKS (GSM_ID, GSM_NAME, GSM_GATEWAY, GSM_DISCONTINUED) VALUES (11, 'Nextel (US)', 'messaging.nextel.com', 'T');      /* discontinued: network shut down in 2013 */
INSERT INTO GSM_NETWORKS (GSM_ID, GSM_NAME, GSM_GATEWAY, GSM_DISCONTINUED) VALUES (12, 'Alltel (US)', 'message.alltel.com', 'T');        /* discontinued: absorbed by Verizon */
INSERT INTO GSM_NETWORKS (GSM_ID, GSM_NAME, GSM_GATEWAY, GSM_DISCONTINUED) VALUES (13, 'Republic Wireless (US)', 'text.republicwireless.com', 'T'); /* discontinued */
INSERT INTO GSM_NETWORKS (GSM_ID, GSM_NAME, GSM_GATEWAY, GSM_DISCONTINUED) VALUES (14, 'Consumer Cellular (US)', 'mailmymobile.net', 'F');
INSERT INTO GSM_NETWORKS (GSM_ID, GSM_NAME, GSM_GATEWAY, GSM_DISCONTINUED) VALUES (15, 'Ting (US)', 'message.ting.com', 'F');
INSERT INTO GSM_NETWORKS (GSM_ID, GSM_NAME, GSM_GATEWAY, GSM_DISCONTINUED) VALUES (16, 'Bell (Canada)', 'txt.bell.ca', 'F');
INSERT INTO GSM_NETWORKS (GSM_ID, GSM_NAME, GSM_GATEWAY, GSM_DISCONTINUED) VALUES (17, 'Rogers (Canada)', 'pcs.rogers.com', 'F');
INSERT INTO GSM_NETWORKS (GSM_ID, GSM_NAME, GSM_GATEWAY, GSM_DISCONTINUED) VALUES (18, 'Telus (Canada)', 'msg.telus.com', 'F');
INSERT INTO GSM_NETWORKS (GSM_ID, GSM_NAME, GSM_GATEWAY, GSM_DISCONTINUED) VALUES (19, 'Fido (Canada)', 'fido.ca', 'F');
INSERT INTO GSM_NETWORKS (GSM_ID, GSM_NAME, GSM_GATEWAY, GSM_DISCONTINUED) VALUES (20, 'Virgin Plus (Canada)', 'vmobile.ca', 'F');

COMMIT;
