#!/usr/bin/env python3
"""Makes the bank-like corpus of the cabinet benchmark: a SQLite database of
roughly TARGET bytes with customers, accounts and a journal in Latin and Arabic
text, the same bytes on every run.

usage: gen_bank_db.py PATH TARGET_BYTES
"""
import sqlite3, random, sys, os, datetime
path = sys.argv[1]; target = int(sys.argv[2])
random.seed(12345)
if os.path.exists(path): os.remove(path)
db = sqlite3.connect(path)
db.executescript("""
PRAGMA page_size=8192; PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;
CREATE TABLE customer(id INTEGER PRIMARY KEY, name_latin TEXT, name_arabic TEXT, national_id TEXT, phone TEXT, city TEXT, created TEXT);
CREATE TABLE account(account_no TEXT PRIMARY KEY, customer_id INT, iban TEXT, branch INT, currency TEXT, opened TEXT, balance NUMERIC) WITHOUT ROWID;
CREATE TABLE journal(id INTEGER PRIMARY KEY, account_no TEXT, posted TEXT, value_date TEXT, amount NUMERIC, balance_after NUMERIC, tx_type TEXT, ref TEXT, narrative TEXT, teller INT);
CREATE INDEX ix_journal_acct ON journal(account_no, posted);
CREATE INDEX ix_journal_ref ON journal(ref);
""")
first_l = "Mohammed Ahmed Ali Omar Yousef Khaled Hassan Ibrahim Fatima Aisha Maryam Noura Sara Layla Huda Abdullah Salem Faisal Tariq Rania John Maria David Anna Peter".split()
last_l = "Al-Harbi Al-Qahtani Al-Otaibi Al-Ghamdi Al-Zahrani Haddad Mansour Nasser Saleh Khalil Smith Garcia Müller Rossi Dubois Kowalski".split()
first_a = "محمد أحمد علي عمر يوسف خالد حسن إبراهيم فاطمة عائشة مريم نورة سارة ليلى هدى عبدالله سالم فيصل طارق رانيا".split()
last_a = "الحربي القحطاني العتيبي الغامدي الزهراني حداد منصور ناصر صالح خليل".split()
cities = "Riyadh Jeddah Dammam Amman Cairo Dubai Doha Kuwait Muscat Manama Beirut Casablanca".split()
tx_types = ["DEP","WDL","TRF-IN","TRF-OUT","FEE","INT","POS","ATM","CHQ","SAL"]
narr_l = ["Salary transfer for month {m}", "ATM withdrawal branch {b}", "POS purchase merchant {r}", "Transfer to account {a}",
          "Cheque deposit no. {r}", "Monthly account maintenance fee", "Interest credit period {m}", "Utility bill payment ref {r}"]
narr_a = ["تحويل راتب شهر {m}", "سحب نقدي من الصراف فرع {b}", "شراء عبر نقاط البيع {r}", "تحويل إلى حساب {a}", "إيداع شيك رقم {r}", "رسوم إدارة الحساب الشهرية"]
base = datetime.date(2015,1,1)
ncust = 200000
cur = db.cursor()
cur.executemany("INSERT INTO customer VALUES(?,?,?,?,?,?,?)", (
    (i, f"{random.choice(first_l)} {random.choice(first_l)} {random.choice(last_l)}",
     f"{random.choice(first_a)} {random.choice(first_a)} {random.choice(last_a)}",
     f"{random.randint(1000000000,2999999999)}", f"+9665{random.randint(10000000,99999999)}",
     random.choice(cities), str(base+datetime.timedelta(days=random.randint(0,3000)))) for i in range(1,ncust+1)))
accts = []
rows = []
for i in range(ncust*3//2):
    a = f"{random.randint(100,999)}-{random.randint(100000,999999)}-{random.randint(10,99)}"
    accts.append(a)
    rows.append((a, random.randint(1,ncust), f"SA{random.randint(10,99)}8000{random.randint(10**13,10**14-1)}", random.randint(1,250),
                 random.choice(["SAR","SAR","SAR","USD","EUR","AED"]), str(base+datetime.timedelta(days=random.randint(0,3000))),
                 round(random.uniform(0,250000),2)))
cur.executemany("INSERT OR IGNORE INTO account VALUES(?,?,?,?,?,?,?)", rows); db.commit()
jid = 0
def batch(n):
    global jid
    for _ in range(n):
        jid += 1
        a = random.choice(accts); d = base+datetime.timedelta(days=random.randint(0,3650))
        amt = round(random.choice([1,-1])*random.lognormvariate(5,1.5),2)
        t = random.choice(narr_l if random.random()<0.6 else narr_a).format(m=d.month,b=random.randint(1,250),r=random.randint(100000,9999999),a=random.choice(accts))
        yield (jid, a, f"{d} {random.randint(0,23):02d}:{random.randint(0,59):02d}:{random.randint(0,59):02d}", str(d), amt,
               round(random.uniform(0,250000),2), random.choice(tx_types), f"FT{d.year%100:02d}{random.randint(10**9,10**10-1)}", t, random.randint(1000,9999))
while True:
    cur.executemany("INSERT INTO journal VALUES(?,?,?,?,?,?,?,?,?,?)", batch(200000)); db.commit()
    sz = os.path.getsize(path)
    print(jid, sz, flush=True)
    if sz >= target: break
db.close()
