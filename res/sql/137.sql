BEGIN TRANSACTION;

-- 表
-- 软件信息
CREATE TABLE SoftInfo_tbl (
    name        VARCHAR(50) NOT NULL UNIQUE,
    version     VARCHAR(20)
);

-- 词库信息
CREATE TABLE ThesaurusInfo_tbl (
    tid         INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,
    name        VARCHAR(50)
);

-- 用户信息及其设置
CREATE TABLE UserInfo_tbl (
    uid             INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,
    type            SMALLINT,
    username        VARCHAR(10) UNIQUE NOT NULL,
    password        VARCHAR(15),
    tid             INTEGER,
    DayNum          INTEGER,
    mode            SMALLINT,
    count           INTEGER,
    DateFrom        DATE,
    DateTo          DATE,
    TimesFrom       INTEGER,
    TimesTo         INTEGER,
    CloseExit       SMALLINT,
    MemorHardMode   SMALLINT,
    MemorAutoNext   SMALLINT,
    TestAutoAddHard SMALLINT,
    TestAutoNext    SMALLINT,
    NotifyBegin     SMALLINT,
    NotifyEnd       SMALLINT,
    NotifyInterval  SMALLINT,
    TTSspeaker      SMALLINT,
    TTSvolume       SMALLINT,
    TTSspeed        SMALLINT,
    CONSTRAINT fk FOREIGN KEY (tid) REFERENCES ThesaurusInfo_tbl(tid),
    CONSTRAINT chk_DayNum CHECK (DayNum > 4 AND DayNum < 1001)
);

-- 单词
CREATE TABLE words_tbl (
    wid         INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,
    tid         INTEGER NOT NULL,
    name        VARCHAR(30),
    interp      TEXT,
    phonetic    VARCHAR(50),
    CONSTRAINT fk FOREIGN KEY (tid) REFERENCES ThesaurusInfo_tbl(tid)
);

-- 用户对每个单词的学习情况
CREATE TABLE WordsMarkInfo_tbl (
    uid             INTEGER NOT NULL,
    wid             INTEGER NOT NULL,
    RecentMarkDate  DATE,
    times           INTEGER NOT NULL,
    hard            SMALLINT,
    CONSTRAINT pk PRIMARY KEY (uid, wid),
    CONSTRAINT fk_u FOREIGN KEY (uid) REFERENCES UserInfo_tbl(uid),
    CONSTRAINT fk_w FOREIGN KEY (wid) REFERENCES words_tbl(wid)
);

-- 每日任务
CREATE TABLE DayList_tbl (
    uid         INTEGER NOT NULL,
    wid         INTEGER NOT NULL,
    incorrect   SMALLINT,
    CONSTRAINT pk PRIMARY KEY (uid, wid),
    CONSTRAINT fk_u FOREIGN KEY (uid) REFERENCES UserInfo_tbl(uid),
    CONSTRAINT fk_w FOREIGN KEY (wid) REFERENCES words_tbl(wid)
);

-- 学习日志
CREATE TABLE logs_tbl (
    uid         INTEGER NOT NULL,
    tid         INTEGER NOT NULL,
    date        DATE,
    mode        SMALLINT,
    bFinish     SMALLINT,
    ErrorRate   FLOAT,
    CONSTRAINT pk PRIMARY KEY (uid, tid, date, mode),
    CONSTRAINT fk_u FOREIGN KEY (uid) REFERENCES UserInfo_tbl(uid),
    CONSTRAINT fk_t FOREIGN KEY (tid) REFERENCES words_tbl(tid)
);

-- 索引
CREATE INDEX w_index ON words_tbl(name);

-- 视图
-- 未学过的单词
CREATE VIEW unmark_view AS
    SELECT m.uid uid, w.wid wid, w.tid tid, name, interp, phonetic
    FROM WordsMarkInfo_tbl m JOIN words_tbl w ON m.wid = w.wid AND times = 0;

-- 普通复习模式的单词
CREATE VIEW ReviewNormal_view AS
    SELECT m.uid uid, m.times times, m.RecentMarkDate RecentMarkDate, w.wid wid, w.tid tid, name, interp, phonetic
    FROM WordsMarkInfo_tbl m JOIN words_tbl w ON m.wid = w.wid AND times <> 0;

-- 难词复习的单词
CREATE VIEW ReviewHard_view AS
    SELECT m.uid uid, m.RecentMarkDate RecentMarkDate, w.wid wid, w.tid tid, name, interp, phonetic
    FROM WordsMarkInfo_tbl m JOIN words_tbl w ON m.wid = w.wid AND hard = 1;

-- 当天的单词
CREATE VIEW DayList_view AS
    SELECT uid, w.wid wid, name, interp, phonetic
    FROM DayList_tbl d, words_tbl w WHERE d.wid = w.wid;

-- 触发器
-- 用户切换当前词库时，自动向 WordsMarkInfo_tbl 写入该词库的单词
CREATE TRIGGER ChgTid_trig AFTER UPDATE OF tid ON UserInfo_tbl
FOR EACH ROW
BEGIN
    INSERT OR IGNORE INTO WordsMarkInfo_tbl SELECT NEW.uid, wid, NULL, 0, 0 FROM words_tbl w WHERE w.tid = NEW.tid;
END;

/*
-- 删除词库后，删除该词库的日志、学习记录和单词
-- 似乎有问题，推迟到下一版本
CREATE TRIGGER DelTid_trig AFTER DELETE ON ThesaurusInfo_tbl
FOR EACH ROW
BEGIN
    DELETE FROM logs_tbl WHERE tid = OLD.tid;
    DELETE FROM WordsMarkInfo_tbl WHERE wid IN (SELECT wid FROM words_tbl WHERE tid = OLD.tid);
    DELETE FROM words_tbl WHERE tid = OLD.tid;
END;
*/

-- 软件信息，随数据库一起写入
INSERT INTO SoftInfo_tbl VALUES('Quillora', '1.0.0.0');

COMMIT TRANSACTION;
