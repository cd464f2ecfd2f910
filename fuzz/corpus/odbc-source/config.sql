CREATE TABLE config (ConfigName VARCHAR(50) NOT NULL, OptionName VARCHAR(50) NOT NULL, OptionValue VARCHAR(250), PRIMARY KEY (ConfigName, OptionName));
INSERT INTO config VALUES ('DEFAULT', '551', '2'), ('DEFAULT', '702', '0.5');
