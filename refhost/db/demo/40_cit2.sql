-- Demo data, run in the order of the file names before the books and the declarations
-- are computed (refhost/db/demo.cpp). Dates are day numbers as the schema keeps them.

-- Company 4, a sawmill keeping books since 2001: the monthly advance returns of every
-- CIT-2 edition can be made for it
insert into FIRMA (id_firmy, nip, rodzaj_platnika, nazwa, nazwa_pelna, regon, KWARTALNY_PDO, id_us) values
    (4, '5211002004', 1, 'Tartak Jodła', 'Tartak „Jodła” Spółka z ograniczoną odpowiedzialnością', '011234560', 0, 0);
insert into ADRESY_FIRMY (ID_ADRESY_FIRMY, ID_FIRMY, TYP_ADRESU, DATA_OD, wojewodztwo, powiat, gmina, ULICA, NR_DOMU, NR_LOKALU, MIEJSCOWOSC, KOD_POCZTOWY, POCZTA) values
    (7, 4, 'S', 73053, 'MAZOWIECKIE', 'Warszawa', 'Warszawa', 'ul. Grochowska', '215', '', 'Warszawa', '04-077', 'Warszawa');
insert into URZEDY_FIRMY (ID_URZEDY_FIRMY, ID_FIRMY, ID_URZEDU, TYP_URZEDU, DATA_OD) values
    (7, 4, 2, 'US', 73053);
insert into LATA_OBROTOWE (id_lata_obrotowe, id_firmy, poczatek_roku, koniec_roku, rok_obrotowy) values
    (9, 4, 73053, 73417, '2001'),
    (10, 4, 73418, 73782, '2002'),
    (11, 4, 73783, 74147, '2003'),
    (12, 4, 74148, 74513, '2004'),
    (13, 4, 74514, 74878, '2005'),
    (14, 4, 74879, 75243, '2006'),
    (15, 4, 75244, 75608, '2007');

-- Its chart of accounts is the mill's
insert into KONTA (id_firmy, nr_konta, nazwa) select 4, nr_konta, nazwa from KONTA where id_firmy = 1;

-- Its income sources for the CIT-2 editions before 2007
insert into DEKLARACJE_DOCHOD (id_deklaracje_dochod, id_firmy, typ_dzialalnosci, nazwa, maska_przychodow, maska_kosztow) values
    (4, 4, 'P', 'Przetarcie drewna', '700*,750-01', '4??-1*,751-01'),
    (5, 4, 'Z', 'Eksport tarcicy', '702*', '4??-3*');

-- Its deduction components of 2005, under the deduction definitions of template 34
insert into DEKLARACJE_SKLADOWE_O (id_deklaracje_odliczenie, funkcja, argument, operator, wartosc, opis, data_odliczenia, id_firmy, id_udzialowca) values
    (1, '', '', '+', '800.00', 'Darowizna dla schroniska w Falenicy', 74573, 4, 0),
    (1, '', '', '+', '1200.00', 'Darowizna dla szkoły w Wawrze', 74818, 4, 0),
    (1, '', '', '-', '150.00', 'Automatyczna aktualizacja', 74848, 4, 0),
    (2, '', '', '+', '9500.00', 'Licencja na suszarnię tarcicy', 74879, 4, 0);
